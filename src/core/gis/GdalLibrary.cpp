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
#include <gdalwarper.h>
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

int GDALGCPsToGeoTransform(int a0, const GDAL_GCP* a1, double* a2, int a3) {
    return ORVENA_GDAL_CALL(GDALGCPsToGeoTransform)(a0, a1, a2, a3);
}

GIntBig GDALGetCacheMax64(void) {
    return ORVENA_GDAL_CALL(GDALGetCacheMax64)();
}

GDALDriverH GDALGetDriverByName(const char* a0) {
    return ORVENA_GDAL_CALL(GDALGetDriverByName)(a0);
}

int GDALInvGeoTransform(double* a0, double* a1) {
    return ORVENA_GDAL_CALL(GDALInvGeoTransform)(a0, a1);
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

int GDALUseTransformer(void* a0, int a1, int a2, double* a3, double* a4, double* a5, int* a6) {
    return ORVENA_GDAL_CALL(GDALUseTransformer)(a0, a1, a2, a3, a4, a5, a6);
}

OGRErr OGR_G_CreateFromWkt(char** a0, OGRSpatialReferenceH a1, OGRGeometryH* a2) {
    return ORVENA_GDAL_CALL(OGR_G_CreateFromWkt)(a0, a1, a2);
}

void OGR_G_DestroyGeometry(OGRGeometryH a0) {
    ORVENA_GDAL_CALL(OGR_G_DestroyGeometry)(a0);
}

void OSRDestroySpatialReference(OGRSpatialReferenceH a0) {
    ORVENA_GDAL_CALL(OSRDestroySpatialReference)(a0);
}

OGRErr OSRImportFromEPSG(OGRSpatialReferenceH a0, int a1) {
    return ORVENA_GDAL_CALL(OSRImportFromEPSG)(a0, a1);
}

OGRSpatialReferenceH OSRNewSpatialReference(const char* a0) {
    return ORVENA_GDAL_CALL(OSRNewSpatialReference)(a0);
}

} // extern "C"
