// PROJ, loaded at the first call of one of its functions (LazyLibrary.h): the
// program's own definitions of the functions of PROJ it calls, each
// forwarding to PROJ's. Written by scripts/library-shims.py: run it after a
// new call into PROJ.
#include "core/base/LazyLibrary.h"

#include <geodesic.h>
#include <proj.h>

#define ORVENA_PROJ_CALL(name) ORVENA_LAZY_CALL(ORVENA_PROJ_LIBRARY, name)

extern "C" {

void geod_init(struct geod_geodesic* a0, double a1, double a2) {
    ORVENA_PROJ_CALL(geod_init)(a0, a1, a2);
}

void geod_inverse(const struct geod_geodesic* a0, double a1, double a2, double a3, double a4,
                  double* a5, double* a6, double* a7) {
    ORVENA_PROJ_CALL(geod_inverse)(a0, a1, a2, a3, a4, a5, a6, a7);
}

void geod_polygonarea(const struct geod_geodesic* a0, double a1[], double a2[], int a3, double* a4,
                      double* a5) {
    ORVENA_PROJ_CALL(geod_polygonarea)(a0, a1, a2, a3, a4, a5);
}

PJ_AREA* proj_area_create(void) {
    return ORVENA_PROJ_CALL(proj_area_create)();
}

void proj_area_destroy(PJ_AREA* a0) {
    ORVENA_PROJ_CALL(proj_area_destroy)(a0);
}

void proj_area_set_bbox(PJ_AREA* a0, double a1, double a2, double a3, double a4) {
    ORVENA_PROJ_CALL(proj_area_set_bbox)(a0, a1, a2, a3, a4);
}

const char* proj_as_wkt(PJ_CONTEXT* a0, const PJ* a1, PJ_WKT_TYPE a2, const char* const* a3) {
    return ORVENA_PROJ_CALL(proj_as_wkt)(a0, a1, a2, a3);
}

PJ_CONTEXT* proj_context_create(void) {
    return ORVENA_PROJ_CALL(proj_context_create)();
}

PJ_CONTEXT* proj_context_destroy(PJ_CONTEXT* a0) {
    return ORVENA_PROJ_CALL(proj_context_destroy)(a0);
}

int proj_context_errno(PJ_CONTEXT* a0) {
    return ORVENA_PROJ_CALL(proj_context_errno)(a0);
}

const char* proj_context_errno_string(PJ_CONTEXT* a0, int a1) {
    return ORVENA_PROJ_CALL(proj_context_errno_string)(a0, a1);
}

const char* proj_context_get_database_path(PJ_CONTEXT* a0) {
    return ORVENA_PROJ_CALL(proj_context_get_database_path)(a0);
}

int proj_context_set_enable_network(PJ_CONTEXT* a0, int a1) {
    return ORVENA_PROJ_CALL(proj_context_set_enable_network)(a0, a1);
}

PJ_COORD proj_coord(double a0, double a1, double a2, double a3) {
    return ORVENA_PROJ_CALL(proj_coord)(a0, a1, a2, a3);
}

double proj_coordoperation_get_accuracy(PJ_CONTEXT* a0, const PJ* a1) {
    return ORVENA_PROJ_CALL(proj_coordoperation_get_accuracy)(a0, a1);
}

PJ* proj_create(PJ_CONTEXT* a0, const char* a1) {
    return ORVENA_PROJ_CALL(proj_create)(a0, a1);
}

PJ* proj_create_crs_to_crs_from_pj(PJ_CONTEXT* a0, const PJ* a1, const PJ* a2, PJ_AREA* a3,
                                   const char* const* a4) {
    return ORVENA_PROJ_CALL(proj_create_crs_to_crs_from_pj)(a0, a1, a2, a3, a4);
}

PJ* proj_create_from_database(PJ_CONTEXT* a0, const char* a1, const char* a2, PJ_CATEGORY a3,
                              int a4, const char* const* a5) {
    return ORVENA_PROJ_CALL(proj_create_from_database)(a0, a1, a2, a3, a4, a5);
}

PJ_OPERATION_FACTORY_CONTEXT* proj_create_operation_factory_context(PJ_CONTEXT* a0,
                                                                    const char* a1) {
    return ORVENA_PROJ_CALL(proj_create_operation_factory_context)(a0, a1);
}

PJ_OBJ_LIST* proj_create_operations(PJ_CONTEXT* a0, const PJ* a1, const PJ* a2,
                                    const PJ_OPERATION_FACTORY_CONTEXT* a3) {
    return ORVENA_PROJ_CALL(proj_create_operations)(a0, a1, a2, a3);
}

PJ* proj_crs_get_coordinate_system(PJ_CONTEXT* a0, const PJ* a1) {
    return ORVENA_PROJ_CALL(proj_crs_get_coordinate_system)(a0, a1);
}

int proj_cs_get_axis_info(PJ_CONTEXT* a0, const PJ* a1, int a2, const char** a3, const char** a4,
                          const char** a5, double* a6, const char** a7, const char** a8,
                          const char** a9) {
    return ORVENA_PROJ_CALL(proj_cs_get_axis_info)(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9);
}

PJ* proj_destroy(PJ* a0) {
    return ORVENA_PROJ_CALL(proj_destroy)(a0);
}

int proj_get_area_of_use(PJ_CONTEXT* a0, const PJ* a1, double* a2, double* a3, double* a4,
                         double* a5, const char** a6) {
    return ORVENA_PROJ_CALL(proj_get_area_of_use)(a0, a1, a2, a3, a4, a5, a6);
}

const char* proj_get_id_auth_name(const PJ* a0, int a1) {
    return ORVENA_PROJ_CALL(proj_get_id_auth_name)(a0, a1);
}

const char* proj_get_id_code(const PJ* a0, int a1) {
    return ORVENA_PROJ_CALL(proj_get_id_code)(a0, a1);
}

const char* proj_get_name(const PJ* a0) {
    return ORVENA_PROJ_CALL(proj_get_name)(a0);
}

PJ_INFO proj_info(void) {
    return ORVENA_PROJ_CALL(proj_info)();
}

void proj_list_destroy(PJ_OBJ_LIST* a0) {
    ORVENA_PROJ_CALL(proj_list_destroy)(a0);
}

PJ* proj_list_get(PJ_CONTEXT* a0, const PJ_OBJ_LIST* a1, int a2) {
    return ORVENA_PROJ_CALL(proj_list_get)(a0, a1, a2);
}

int proj_list_get_count(const PJ_OBJ_LIST* a0) {
    return ORVENA_PROJ_CALL(proj_list_get_count)(a0);
}

PJ_LOG_LEVEL proj_log_level(PJ_CONTEXT* a0, PJ_LOG_LEVEL a1) {
    return ORVENA_PROJ_CALL(proj_log_level)(a0, a1);
}

double proj_lp_dist(const PJ* a0, PJ_COORD a1, PJ_COORD a2) {
    return ORVENA_PROJ_CALL(proj_lp_dist)(a0, a1, a2);
}

PJ* proj_normalize_for_visualization(PJ_CONTEXT* a0, const PJ* a1) {
    return ORVENA_PROJ_CALL(proj_normalize_for_visualization)(a0, a1);
}

void proj_operation_factory_context_destroy(PJ_OPERATION_FACTORY_CONTEXT* a0) {
    ORVENA_PROJ_CALL(proj_operation_factory_context_destroy)(a0);
}

void proj_operation_factory_context_set_area_of_interest(PJ_CONTEXT* a0,
                                                         PJ_OPERATION_FACTORY_CONTEXT* a1,
                                                         double a2, double a3, double a4,
                                                         double a5) {
    ORVENA_PROJ_CALL(proj_operation_factory_context_set_area_of_interest)(a0, a1, a2, a3, a4, a5);
}

void proj_operation_factory_context_set_grid_availability_use(PJ_CONTEXT* a0,
                                                              PJ_OPERATION_FACTORY_CONTEXT* a1,
                                                              PROJ_GRID_AVAILABILITY_USE a2) {
    ORVENA_PROJ_CALL(proj_operation_factory_context_set_grid_availability_use)(a0, a1, a2);
}

void proj_operation_factory_context_set_spatial_criterion(PJ_CONTEXT* a0,
                                                          PJ_OPERATION_FACTORY_CONTEXT* a1,
                                                          PROJ_SPATIAL_CRITERION a2) {
    ORVENA_PROJ_CALL(proj_operation_factory_context_set_spatial_criterion)(a0, a1, a2);
}

double proj_torad(double a0) {
    return ORVENA_PROJ_CALL(proj_torad)(a0);
}

PJ_COORD proj_trans(PJ* a0, PJ_DIRECTION a1, PJ_COORD a2) {
    return ORVENA_PROJ_CALL(proj_trans)(a0, a1, a2);
}

size_t proj_trans_generic(PJ* a0, PJ_DIRECTION a1, double* a2, size_t a3, size_t a4, double* a5,
                          size_t a6, size_t a7, double* a8, size_t a9, size_t a10, double* a11,
                          size_t a12, size_t a13) {
    return ORVENA_PROJ_CALL(proj_trans_generic)(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11,
                                                a12, a13);
}

PJ* proj_trans_get_last_used_operation(PJ* a0) {
    return ORVENA_PROJ_CALL(proj_trans_get_last_used_operation)(a0);
}

} // extern "C"
