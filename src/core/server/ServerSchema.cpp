#include "core/server/ServerSchema.h"

#include "core/server/ServerConnection.h"

namespace orvena::serverschema {

const std::array<const char*, 7> kTables = {
    // The files' NOCASE: only A-Z and a-z are the same letter, compared (and
    // ordered, byte by byte) as the small one.
    "CREATE FUNCTION orvena_nocase(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT "
    "PARALLEL SAFE AS $$ SELECT translate($1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', "
    "'abcdefghijklmnopqrstuvwxyz') COLLATE \"C\" $$",
    "CREATE TABLE area (id bigserial PRIMARY KEY, "
    "AREA text, COLA double precision, COLO double precision, "
    "PXLAO bigint, SECLAO bigint, PXLOO bigint, SECLOO bigint, "
    "NORD text, EST text, SUD text, OVEST text)",
    "CREATE TABLE localita (id bigserial PRIMARY KEY, "
    "AREA text, LOCALITA text, "
    "LAGR bigint, LAMN bigint, LASE bigint, LOGR bigint, LOMN bigint, LOSE bigint, "
    "PX double precision, PY double precision, "
    "doppione integer NOT NULL DEFAULT 0)",
    "CREATE TABLE area_datum (AREA text PRIMARY KEY, DATUM text, OPERAZIONE text)",
    "CREATE TABLE area_calibration (AREA text PRIMARY KEY, MODEL text, GRID integer, "
    "POINTS text, BORDER text, AXIS text)",
    "CREATE TABLE orvena_atlante (versione integer NOT NULL)",
    "INSERT INTO orvena_atlante (versione) VALUES (1)",
};

const std::array<const char*, 9> kKeys = {
    "CREATE INDEX area_area ON area (orvena_nocase(AREA) COLLATE \"C\" NULLS FIRST)",
    "ALTER TABLE localita ADD CONSTRAINT localita_nome_unico "
    "UNIQUE NULLS NOT DISTINCT (AREA, LOCALITA, doppione)",
    "CREATE INDEX localita_area_localita ON localita "
    "(orvena_nocase(AREA) COLLATE \"C\" NULLS FIRST, "
    "orvena_nocase(LOCALITA) COLLATE \"C\" NULLS FIRST)",
    "CREATE INDEX localita_localita ON localita "
    "(orvena_nocase(LOCALITA) COLLATE \"C\" NULLS FIRST)",
    // Every committed change tells the programs listening, once per table and
    // transaction (the server folds equal notifications of a transaction).
    "CREATE FUNCTION orvena_notify() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
    "PERFORM pg_notify('orvena', TG_TABLE_NAME); RETURN NULL; END $$",
    "CREATE TRIGGER area_notify AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON area "
    "FOR EACH STATEMENT EXECUTE FUNCTION orvena_notify()",
    "CREATE TRIGGER localita_notify AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON localita "
    "FOR EACH STATEMENT EXECUTE FUNCTION orvena_notify()",
    "CREATE TRIGGER area_datum_notify AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "
    "area_datum FOR EACH STATEMENT EXECUTE FUNCTION orvena_notify()",
    "CREATE TRIGGER area_calibration_notify AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "
    "area_calibration FOR EACH STATEMENT EXECUTE FUNCTION orvena_notify()",
};

bool isEmpty(server::Connection& connection) {
    const server::Result r = connection.exec(
        "SELECT (SELECT count(*) FROM pg_catalog.pg_class c "
        "        WHERE c.relnamespace = current_schema()::regnamespace) + "
        "       (SELECT count(*) FROM pg_catalog.pg_proc p "
        "        WHERE p.pronamespace = current_schema()::regnamespace)");
    return r.rows() == 1 && r.integer(0, 0) == 0;
}

bool isAtlas(server::Connection& connection) {
    const server::Result r = connection.exec(
        "SELECT count(*) FROM pg_catalog.pg_class c WHERE c.relname = 'orvena_atlante' "
        "AND c.relnamespace = current_schema()::regnamespace");
    return r.rows() == 1 && r.integer(0, 0) == 1;
}

void create(server::Connection& connection) {
    for (const char* statement : kTables)
        connection.exec(statement);
    for (const char* statement : kKeys)
        connection.exec(statement);
}

} // namespace orvena::serverschema
