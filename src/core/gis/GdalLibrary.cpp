// GDAL, loaded at the first call of one of its functions (LazyLibrary.h): the
// program's own definitions of the functions of GDAL it calls (or hands GDAL
// as callbacks), each forwarding to GDAL's. Written by
// scripts/library-shims.py: run it after a new call into GDAL.
#include "core/base/LazyLibrary.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdal_utils.h>
#include <gdalwarper.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#define ORVENA_GDAL_CALL(name) ORVENA_LAZY_CALL(ORVENA_GDAL_LIBRARY, name)

// GDAL marks some of its functions "warn unused result": an attribute a
// pointer to them drops, which is all this file does with them.
#pragma GCC diagnostic ignored "-Wignored-attributes"

extern "C" {

CPLErr CPLCloseFileInZip(void* a0) {
    return ORVENA_GDAL_CALL(CPLCloseFileInZip)(a0);
}

CPLErr CPLCloseZip(void* a0) {
    return ORVENA_GDAL_CALL(CPLCloseZip)(a0);
}

CPLErr CPLCreateFileInZip(void* a0, const char* a1, char** a2) {
    return ORVENA_GDAL_CALL(CPLCreateFileInZip)(a0, a1, a2);
}

void* CPLCreateZip(const char* a0, char** a1) {
    return ORVENA_GDAL_CALL(CPLCreateZip)(a0, a1);
}

void CPLErrorReset(void) {
    ORVENA_GDAL_CALL(CPLErrorReset)();
}

const char* CPLGetLastErrorMsg(void) {
    return ORVENA_GDAL_CALL(CPLGetLastErrorMsg)();
}

CPLErrorNum CPLGetLastErrorNo(void) {
    return ORVENA_GDAL_CALL(CPLGetLastErrorNo)();
}

CPLErr CPLGetLastErrorType(void) {
    return ORVENA_GDAL_CALL(CPLGetLastErrorType)();
}

void* CPLMalloc(size_t a0) {
    return ORVENA_GDAL_CALL(CPLMalloc)(a0);
}

void CPLPopErrorHandler(void) {
    ORVENA_GDAL_CALL(CPLPopErrorHandler)();
}

int CPLPrintPointer(char* a0, void* a1, int a2) {
    return ORVENA_GDAL_CALL(CPLPrintPointer)(a0, a1, a2);
}

void CPLPushErrorHandler(CPLErrorHandler a0) {
    ORVENA_GDAL_CALL(CPLPushErrorHandler)(a0);
}

void CPLQuietErrorHandler(CPLErr a0, CPLErrorNum a1, const char* a2) {
    ORVENA_GDAL_CALL(CPLQuietErrorHandler)(a0, a1, a2);
}

void CPLSetThreadLocalConfigOption(const char* a0, const char* a1) {
    ORVENA_GDAL_CALL(CPLSetThreadLocalConfigOption)(a0, a1);
}

CPLErr CPLWriteFileInZip(void* a0, const void* a1, int a2) {
    return ORVENA_GDAL_CALL(CPLWriteFileInZip)(a0, a1, a2);
}

char** CSLSetNameValue(char** a0, const char* a1, const char* a2) {
    return ORVENA_GDAL_CALL(CSLSetNameValue)(a0, a1, a2);
}

CPLErr GDALAddBand(GDALDatasetH a0, GDALDataType a1, CSLConstList a2) {
    return ORVENA_GDAL_CALL(GDALAddBand)(a0, a1, a2);
}

void GDALAllRegister(void) {
    ORVENA_GDAL_CALL(GDALAllRegister)();
}

void GDALApplyGeoTransform(double* a0, double a1, double a2, double* a3, double* a4) {
    ORVENA_GDAL_CALL(GDALApplyGeoTransform)(a0, a1, a2, a3, a4);
}

int GDALApproxTransform(void* a0, int a1, int a2, double* a3, double* a4, double* a5, int* a6) {
    return ORVENA_GDAL_CALL(GDALApproxTransform)(a0, a1, a2, a3, a4, a5, a6);
}

CPLErr GDALBuildOverviews(GDALDatasetH a0, const char* a1, int a2, const int* a3, int a4,
                          const int* a5, GDALProgressFunc a6, void* a7) {
    return ORVENA_GDAL_CALL(GDALBuildOverviews)(a0, a1, a2, a3, a4, a5, a6, a7);
}

CPLErr GDALChunkAndWarpImage(GDALWarpOperationH a0, int a1, int a2, int a3, int a4) {
    return ORVENA_GDAL_CALL(GDALChunkAndWarpImage)(a0, a1, a2, a3, a4);
}

void GDALClose(GDALDatasetH a0) {
    ORVENA_GDAL_CALL(GDALClose)(a0);
}

CPLErr GDALComputeRasterMinMax(GDALRasterBandH a0, int a1, double a2[2]) {
    return ORVENA_GDAL_CALL(GDALComputeRasterMinMax)(a0, a1, a2);
}

GDALDatasetH GDALCreate(GDALDriverH a0, const char* a1, int a2, int a3, int a4, GDALDataType a5,
                        CSLConstList a6) {
    return ORVENA_GDAL_CALL(GDALCreate)(a0, a1, a2, a3, a4, a5, a6);
}

void* GDALCreateApproxTransformer(GDALTransformerFunc a0, void* a1, double a2) {
    return ORVENA_GDAL_CALL(GDALCreateApproxTransformer)(a0, a1, a2);
}

GDALDatasetH GDALCreateCopy(GDALDriverH a0, const char* a1, GDALDatasetH a2, int a3,
                            CSLConstList a4, GDALProgressFunc a5, void* a6) {
    return ORVENA_GDAL_CALL(GDALCreateCopy)(a0, a1, a2, a3, a4, a5, a6);
}

void* GDALCreateGCPTransformer(int a0, const GDAL_GCP* a1, int a2, int a3) {
    return ORVENA_GDAL_CALL(GDALCreateGCPTransformer)(a0, a1, a2, a3);
}

void* GDALCreateTPSTransformer(int a0, const GDAL_GCP* a1, int a2) {
    return ORVENA_GDAL_CALL(GDALCreateTPSTransformer)(a0, a1, a2);
}

GDALWarpOperationH GDALCreateWarpOperation(const GDALWarpOptions* a0) {
    return ORVENA_GDAL_CALL(GDALCreateWarpOperation)(a0);
}

GDALWarpOptions* GDALCreateWarpOptions(void) {
    return ORVENA_GDAL_CALL(GDALCreateWarpOptions)();
}

OGRLayerH GDALDatasetGetLayer(GDALDatasetH a0, int a1) {
    return ORVENA_GDAL_CALL(GDALDatasetGetLayer)(a0, a1);
}

OGRLayerH GDALDatasetGetLayerByName(GDALDatasetH a0, const char* a1) {
    return ORVENA_GDAL_CALL(GDALDatasetGetLayerByName)(a0, a1);
}

int GDALDatasetGetLayerCount(GDALDatasetH a0) {
    return ORVENA_GDAL_CALL(GDALDatasetGetLayerCount)(a0);
}

void GDALDestroyApproxTransformer(void* a0) {
    ORVENA_GDAL_CALL(GDALDestroyApproxTransformer)(a0);
}

void GDALDestroyTransformer(void* a0) {
    ORVENA_GDAL_CALL(GDALDestroyTransformer)(a0);
}

void GDALDestroyWarpOperation(GDALWarpOperationH a0) {
    ORVENA_GDAL_CALL(GDALDestroyWarpOperation)(a0);
}

void GDALDestroyWarpOptions(GDALWarpOptions* a0) {
    ORVENA_GDAL_CALL(GDALDestroyWarpOptions)(a0);
}

CPLErr GDALFlushRasterCache(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALFlushRasterCache)(a0);
}

int GDALGCPsToGeoTransform(int a0, const GDAL_GCP* a1, double* a2, int a3) {
    return ORVENA_GDAL_CALL(GDALGCPsToGeoTransform)(a0, a1, a2, a3);
}

void GDALGetBlockSize(GDALRasterBandH a0, int* a1, int* a2) {
    ORVENA_GDAL_CALL(GDALGetBlockSize)(a0, a1, a2);
}

GIntBig GDALGetCacheMax64(void) {
    return ORVENA_GDAL_CALL(GDALGetCacheMax64)();
}

int GDALGetColorEntryAsRGB(GDALColorTableH a0, int a1, GDALColorEntry* a2) {
    return ORVENA_GDAL_CALL(GDALGetColorEntryAsRGB)(a0, a1, a2);
}

int GDALGetColorEntryCount(GDALColorTableH a0) {
    return ORVENA_GDAL_CALL(GDALGetColorEntryCount)(a0);
}

GDALDriverH GDALGetDatasetDriver(GDALDatasetH a0) {
    return ORVENA_GDAL_CALL(GDALGetDatasetDriver)(a0);
}

GDALDriverH GDALGetDriverByName(const char* a0) {
    return ORVENA_GDAL_CALL(GDALGetDriverByName)(a0);
}

const char* GDALGetDriverShortName(GDALDriverH a0) {
    return ORVENA_GDAL_CALL(GDALGetDriverShortName)(a0);
}

CPLErr GDALGetGeoTransform(GDALDatasetH a0, double* a1) {
    return ORVENA_GDAL_CALL(GDALGetGeoTransform)(a0, a1);
}

const char* GDALGetMetadataItem(GDALMajorObjectH a0, const char* a1, const char* a2) {
    return ORVENA_GDAL_CALL(GDALGetMetadataItem)(a0, a1, a2);
}

GDALRasterBandH GDALGetOverview(GDALRasterBandH a0, int a1) {
    return ORVENA_GDAL_CALL(GDALGetOverview)(a0, a1);
}

int GDALGetOverviewCount(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALGetOverviewCount)(a0);
}

GDALRasterBandH GDALGetRasterBand(GDALDatasetH a0, int a1) {
    return ORVENA_GDAL_CALL(GDALGetRasterBand)(a0, a1);
}

int GDALGetRasterBandXSize(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterBandXSize)(a0);
}

int GDALGetRasterBandYSize(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterBandYSize)(a0);
}

GDALColorInterp GDALGetRasterColorInterpretation(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterColorInterpretation)(a0);
}

GDALColorTableH GDALGetRasterColorTable(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterColorTable)(a0);
}

int GDALGetRasterCount(GDALDatasetH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterCount)(a0);
}

GDALDataType GDALGetRasterDataType(GDALRasterBandH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterDataType)(a0);
}

int GDALGetRasterXSize(GDALDatasetH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterXSize)(a0);
}

int GDALGetRasterYSize(GDALDatasetH a0) {
    return ORVENA_GDAL_CALL(GDALGetRasterYSize)(a0);
}

OGRSpatialReferenceH GDALGetSpatialRef(GDALDatasetH a0) {
    return ORVENA_GDAL_CALL(GDALGetSpatialRef)(a0);
}

int GDALInvGeoTransform(double* a0, double* a1) {
    return ORVENA_GDAL_CALL(GDALInvGeoTransform)(a0, a1);
}

GDALDatasetH GDALOpenEx(const char* a0, unsigned int a1, const char* const* a2,
                        const char* const* a3, const char* const* a4) {
    return ORVENA_GDAL_CALL(GDALOpenEx)(a0, a1, a2, a3, a4);
}

CPLErr GDALRasterIO(GDALRasterBandH a0, GDALRWFlag a1, int a2, int a3, int a4, int a5, void* a6,
                    int a7, int a8, GDALDataType a9, int a10, int a11) {
    return ORVENA_GDAL_CALL(GDALRasterIO)(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11);
}

CPLErr GDALRasterIOEx(GDALRasterBandH a0, GDALRWFlag a1, int a2, int a3, int a4, int a5, void* a6,
                      int a7, int a8, GDALDataType a9, GSpacing a10, GSpacing a11,
                      GDALRasterIOExtraArg* a12) {
    return ORVENA_GDAL_CALL(GDALRasterIOEx)(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12);
}

void GDALSetCacheMax64(GIntBig a0) {
    ORVENA_GDAL_CALL(GDALSetCacheMax64)(a0);
}

CPLErr GDALSetGCPs(GDALDatasetH a0, int a1, const GDAL_GCP* a2, const char* a3) {
    return ORVENA_GDAL_CALL(GDALSetGCPs)(a0, a1, a2, a3);
}

CPLErr GDALSetGeoTransform(GDALDatasetH a0, double* a1) {
    return ORVENA_GDAL_CALL(GDALSetGeoTransform)(a0, a1);
}

CPLErr GDALSetProjection(GDALDatasetH a0, const char* a1) {
    return ORVENA_GDAL_CALL(GDALSetProjection)(a0, a1);
}

CPLErr GDALSetSpatialRef(GDALDatasetH a0, OGRSpatialReferenceH a1) {
    return ORVENA_GDAL_CALL(GDALSetSpatialRef)(a0, a1);
}

GDALDatasetH GDALTranslate(const char* a0, GDALDatasetH a1, const GDALTranslateOptions* a2,
                           int* a3) {
    return ORVENA_GDAL_CALL(GDALTranslate)(a0, a1, a2, a3);
}

void GDALTranslateOptionsFree(GDALTranslateOptions* a0) {
    ORVENA_GDAL_CALL(GDALTranslateOptionsFree)(a0);
}

GDALTranslateOptions* GDALTranslateOptionsNew(char** a0, GDALTranslateOptionsForBinary* a1) {
    return ORVENA_GDAL_CALL(GDALTranslateOptionsNew)(a0, a1);
}

void GDALTranslateOptionsSetProgress(GDALTranslateOptions* a0, GDALProgressFunc a1, void* a2) {
    ORVENA_GDAL_CALL(GDALTranslateOptionsSetProgress)(a0, a1, a2);
}

int GDALUseTransformer(void* a0, int a1, int a2, double* a3, double* a4, double* a5, int* a6) {
    return ORVENA_GDAL_CALL(GDALUseTransformer)(a0, a1, a2, a3, a4, a5, a6);
}

void OCTDestroyCoordinateTransformation(OGRCoordinateTransformationH a0) {
    ORVENA_GDAL_CALL(OCTDestroyCoordinateTransformation)(a0);
}

OGRCoordinateTransformationH OCTNewCoordinateTransformation(OGRSpatialReferenceH a0,
                                                            OGRSpatialReferenceH a1) {
    return ORVENA_GDAL_CALL(OCTNewCoordinateTransformation)(a0, a1);
}

int OGR_FD_GetFieldCount(OGRFeatureDefnH a0) {
    return ORVENA_GDAL_CALL(OGR_FD_GetFieldCount)(a0);
}

OGRFieldDefnH OGR_FD_GetFieldDefn(OGRFeatureDefnH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_FD_GetFieldDefn)(a0, a1);
}

void OGR_F_Destroy(OGRFeatureH a0) {
    ORVENA_GDAL_CALL(OGR_F_Destroy)(a0);
}

GIntBig OGR_F_GetFID(OGRFeatureH a0) {
    return ORVENA_GDAL_CALL(OGR_F_GetFID)(a0);
}

int OGR_F_GetFieldAsDateTimeEx(OGRFeatureH a0, int a1, int* a2, int* a3, int* a4, int* a5, int* a6,
                               float* a7, int* a8) {
    return ORVENA_GDAL_CALL(OGR_F_GetFieldAsDateTimeEx)(a0, a1, a2, a3, a4, a5, a6, a7, a8);
}

double OGR_F_GetFieldAsDouble(OGRFeatureH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_F_GetFieldAsDouble)(a0, a1);
}

GIntBig OGR_F_GetFieldAsInteger64(OGRFeatureH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_F_GetFieldAsInteger64)(a0, a1);
}

const char* OGR_F_GetFieldAsString(OGRFeatureH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_F_GetFieldAsString)(a0, a1);
}

int OGR_F_GetFieldIndex(OGRFeatureH a0, const char* a1) {
    return ORVENA_GDAL_CALL(OGR_F_GetFieldIndex)(a0, a1);
}

OGRGeometryH OGR_F_GetGeometryRef(OGRFeatureH a0) {
    return ORVENA_GDAL_CALL(OGR_F_GetGeometryRef)(a0);
}

int OGR_F_IsFieldSetAndNotNull(OGRFeatureH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_F_IsFieldSetAndNotNull)(a0, a1);
}

const char* OGR_Fld_GetNameRef(OGRFieldDefnH a0) {
    return ORVENA_GDAL_CALL(OGR_Fld_GetNameRef)(a0);
}

OGRwkbGeometryType OGR_GT_Flatten(OGRwkbGeometryType a0) {
    return ORVENA_GDAL_CALL(OGR_GT_Flatten)(a0);
}

OGRErr OGR_G_CreateFromWkt(char** a0, OGRSpatialReferenceH a1, OGRGeometryH* a2) {
    return ORVENA_GDAL_CALL(OGR_G_CreateFromWkt)(a0, a1, a2);
}

void OGR_G_DestroyGeometry(OGRGeometryH a0) {
    ORVENA_GDAL_CALL(OGR_G_DestroyGeometry)(a0);
}

int OGR_G_GetGeometryCount(OGRGeometryH a0) {
    return ORVENA_GDAL_CALL(OGR_G_GetGeometryCount)(a0);
}

OGRGeometryH OGR_G_GetGeometryRef(OGRGeometryH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_G_GetGeometryRef)(a0, a1);
}

OGRwkbGeometryType OGR_G_GetGeometryType(OGRGeometryH a0) {
    return ORVENA_GDAL_CALL(OGR_G_GetGeometryType)(a0);
}

int OGR_G_GetPointCount(OGRGeometryH a0) {
    return ORVENA_GDAL_CALL(OGR_G_GetPointCount)(a0);
}

double OGR_G_GetX(OGRGeometryH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_G_GetX)(a0, a1);
}

double OGR_G_GetY(OGRGeometryH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_G_GetY)(a0, a1);
}

double OGR_G_GetZ(OGRGeometryH a0, int a1) {
    return ORVENA_GDAL_CALL(OGR_G_GetZ)(a0, a1);
}

int OGR_G_Is3D(OGRGeometryH a0) {
    return ORVENA_GDAL_CALL(OGR_G_Is3D)(a0);
}

OGRErr OGR_G_Transform(OGRGeometryH a0, OGRCoordinateTransformationH a1) {
    return ORVENA_GDAL_CALL(OGR_G_Transform)(a0, a1);
}

int OGR_L_FindFieldIndex(OGRLayerH a0, const char* a1, int a2) {
    return ORVENA_GDAL_CALL(OGR_L_FindFieldIndex)(a0, a1, a2);
}

OGRFeatureDefnH OGR_L_GetLayerDefn(OGRLayerH a0) {
    return ORVENA_GDAL_CALL(OGR_L_GetLayerDefn)(a0);
}

OGRFeatureH OGR_L_GetNextFeature(OGRLayerH a0) {
    return ORVENA_GDAL_CALL(OGR_L_GetNextFeature)(a0);
}

OGRSpatialReferenceH OGR_L_GetSpatialRef(OGRLayerH a0) {
    return ORVENA_GDAL_CALL(OGR_L_GetSpatialRef)(a0);
}

void OGR_L_ResetReading(OGRLayerH a0) {
    ORVENA_GDAL_CALL(OGR_L_ResetReading)(a0);
}

OGRErr OGR_L_SetIgnoredFields(OGRLayerH a0, const char** a1) {
    return ORVENA_GDAL_CALL(OGR_L_SetIgnoredFields)(a0, a1);
}

OGRErr OSRAutoIdentifyEPSG(OGRSpatialReferenceH a0) {
    return ORVENA_GDAL_CALL(OSRAutoIdentifyEPSG)(a0);
}

OGRSpatialReferenceH OSRClone(OGRSpatialReferenceH a0) {
    return ORVENA_GDAL_CALL(OSRClone)(a0);
}

void OSRDestroySpatialReference(OGRSpatialReferenceH a0) {
    ORVENA_GDAL_CALL(OSRDestroySpatialReference)(a0);
}

const char* OSRGetAuthorityCode(OGRSpatialReferenceH a0, const char* a1) {
    return ORVENA_GDAL_CALL(OSRGetAuthorityCode)(a0, a1);
}

const char* OSRGetAuthorityName(OGRSpatialReferenceH a0, const char* a1) {
    return ORVENA_GDAL_CALL(OSRGetAuthorityName)(a0, a1);
}

OGRErr OSRImportFromEPSG(OGRSpatialReferenceH a0, int a1) {
    return ORVENA_GDAL_CALL(OSRImportFromEPSG)(a0, a1);
}

int OSRIsProjected(OGRSpatialReferenceH a0) {
    return ORVENA_GDAL_CALL(OSRIsProjected)(a0);
}

int OSRIsSame(OGRSpatialReferenceH a0, OGRSpatialReferenceH a1) {
    return ORVENA_GDAL_CALL(OSRIsSame)(a0, a1);
}

OGRSpatialReferenceH OSRNewSpatialReference(const char* a0) {
    return ORVENA_GDAL_CALL(OSRNewSpatialReference)(a0);
}

void OSRSetAxisMappingStrategy(OGRSpatialReferenceH a0, OSRAxisMappingStrategy a1) {
    ORVENA_GDAL_CALL(OSRSetAxisMappingStrategy)(a0, a1);
}

} // extern "C"
