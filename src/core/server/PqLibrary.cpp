// libpq, PostgreSQL's client library, loaded at the first call of one of its
// functions (LazyLibrary.h), so an atlas kept in files never loads it: the
// program's own definitions of the functions of libpq it calls, each
// forwarding to libpq's. Written by scripts/library-shims.py: run it after a
// new call into libpq.
#include "core/base/LazyLibrary.h"

#include <libpq-fe.h>

#define ORVENA_PQ_CALL(name) ORVENA_LAZY_CALL(ORVENA_PQ_LIBRARY, name)

extern "C" {

int PQbackendPID(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQbackendPID)(a0);
}

void PQclear(PGresult* a0) {
    ORVENA_PQ_CALL(PQclear)(a0);
}

PGconn* PQconnectdb(const char* a0) {
    return ORVENA_PQ_CALL(PQconnectdb)(a0);
}

void PQconninfoFree(PQconninfoOption* a0) {
    ORVENA_PQ_CALL(PQconninfoFree)(a0);
}

PQconninfoOption* PQconninfoParse(const char* a0, char** a1) {
    return ORVENA_PQ_CALL(PQconninfoParse)(a0, a1);
}

int PQconsumeInput(PGconn* a0) {
    return ORVENA_PQ_CALL(PQconsumeInput)(a0);
}

char* PQdb(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQdb)(a0);
}

char* PQerrorMessage(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQerrorMessage)(a0);
}

PGresult* PQexec(PGconn* a0, const char* a1) {
    return ORVENA_PQ_CALL(PQexec)(a0, a1);
}

PGresult* PQexecParams(PGconn* a0, const char* a1, int a2, const Oid* a3, const char* const* a4,
                       const int* a5, const int* a6, int a7) {
    return ORVENA_PQ_CALL(PQexecParams)(a0, a1, a2, a3, a4, a5, a6, a7);
}

void PQfinish(PGconn* a0) {
    ORVENA_PQ_CALL(PQfinish)(a0);
}

void PQfreemem(void* a0) {
    ORVENA_PQ_CALL(PQfreemem)(a0);
}

Oid PQftype(const PGresult* a0, int a1) {
    return ORVENA_PQ_CALL(PQftype)(a0, a1);
}

PGresult* PQgetResult(PGconn* a0) {
    return ORVENA_PQ_CALL(PQgetResult)(a0);
}

int PQgetisnull(const PGresult* a0, int a1, int a2) {
    return ORVENA_PQ_CALL(PQgetisnull)(a0, a1, a2);
}

int PQgetlength(const PGresult* a0, int a1, int a2) {
    return ORVENA_PQ_CALL(PQgetlength)(a0, a1, a2);
}

char* PQgetvalue(const PGresult* a0, int a1, int a2) {
    return ORVENA_PQ_CALL(PQgetvalue)(a0, a1, a2);
}

char* PQhost(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQhost)(a0);
}

int PQnfields(const PGresult* a0) {
    return ORVENA_PQ_CALL(PQnfields)(a0);
}

PGnotify* PQnotifies(PGconn* a0) {
    return ORVENA_PQ_CALL(PQnotifies)(a0);
}

int PQntuples(const PGresult* a0) {
    return ORVENA_PQ_CALL(PQntuples)(a0);
}

char* PQport(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQport)(a0);
}

int PQputCopyData(PGconn* a0, const char* a1, int a2) {
    return ORVENA_PQ_CALL(PQputCopyData)(a0, a1, a2);
}

int PQputCopyEnd(PGconn* a0, const char* a1) {
    return ORVENA_PQ_CALL(PQputCopyEnd)(a0, a1);
}

void PQreset(PGconn* a0) {
    ORVENA_PQ_CALL(PQreset)(a0);
}

char* PQresultErrorField(const PGresult* a0, int a1) {
    return ORVENA_PQ_CALL(PQresultErrorField)(a0, a1);
}

char* PQresultErrorMessage(const PGresult* a0) {
    return ORVENA_PQ_CALL(PQresultErrorMessage)(a0);
}

ExecStatusType PQresultStatus(const PGresult* a0) {
    return ORVENA_PQ_CALL(PQresultStatus)(a0);
}

int PQsetClientEncoding(PGconn* a0, const char* a1) {
    return ORVENA_PQ_CALL(PQsetClientEncoding)(a0, a1);
}

int PQsocket(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQsocket)(a0);
}

ConnStatusType PQstatus(const PGconn* a0) {
    return ORVENA_PQ_CALL(PQstatus)(a0);
}

} // extern "C"
