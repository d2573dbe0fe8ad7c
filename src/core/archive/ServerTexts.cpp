#include "core/archive/ServerTexts.h"

#include "core/archive/SqlTexts.h"

#include <QByteArray>

#include <array>
#include <utility>

namespace orvena::servertexts {

namespace {

#define NOCASE(field) "orvena_nocase(" field ") COLLATE \"C\""
// In an ordering, as the files order: nulls first.
#define BY(field) NOCASE(field) " nulls first"

constexpr const char* kAreaInOrder = "select id from area order by id";
constexpr const char* kAreaNamed =
    "select id from area where " NOCASE("AREA") " = orvena_nocase($1) order by id";
constexpr const char* kPlaceInOrder = "select id from localita order by id";
constexpr const char* kPlaceByAreaName =
    "select id from localita order by " BY("AREA") ", " BY("LOCALITA") ", id";
constexpr const char* kPlaceOfArea = "select id from localita where " NOCASE(
    "AREA") " = orvena_nocase($1) order by " BY("LOCALITA") ", id";

const std::array<std::pair<const char*, const char*>, 17> kTexts = {{
    {sql::kAreaList, kAreaInOrder},
    {sql::kAreaAll, kAreaInOrder},
    {sql::kAreaByName, kAreaNamed},
    {sql::kAreaByNameCommandLine, kAreaNamed},
    {sql::kAreaNeighbour, kAreaNamed},
    {sql::kAreaOrderedByName, "select id from area order by " BY("AREA") ", id"},
    {sql::kLocalityList, kPlaceInOrder},
    {sql::kLocalityAll, kPlaceInOrder},
    {sql::kLocalitySearchAll, kPlaceInOrder},
    {sql::kLocalityOrderedByArea, kPlaceByAreaName},
    {sql::kLocalityOrderedByAreaName, kPlaceByAreaName},
    {sql::kLocalityOfAreaOrdered, kPlaceOfArea},
    {sql::kLocalityOfArea, kPlaceOfArea},
    {sql::kLocalityOfAreaByName,
     "select id from localita where " NOCASE("AREA") " = orvena_nocase($1) and " NOCASE(
         "LOCALITA") " = orvena_nocase($2) order by id"},
    {sql::kLocalityByName,
     "select id from localita where " NOCASE("LOCALITA") " = orvena_nocase($1) order by id"},
    {sql::kLocalityOfAreaInTableOrder,
     "select id from localita where " NOCASE("AREA") " = orvena_nocase($1) order by id"},
    {sql::kLocalityNamesAfterRow,
     "select id, AREA, LOCALITA from localita where id > $1::bigint order by id "
     "limit $2::bigint"},
}};

#undef BY
#undef NOCASE

} // namespace

const char* of(const char* sql) {
    for (const auto& [files, server] : kTexts)
        if (qstrcmp(files, sql) == 0) return server;
    return nullptr;
}

const char* wholeTable(const char* table) {
    return qstricmp(table, "area") == 0 ? kAreaInOrder : kPlaceInOrder;
}

} // namespace orvena::servertexts
