#pragma once

// The server's text of each query of SqlTexts.h: the same rows in the same
// order as the files give them, each row by its key (id), "$1", "$2" for the
// "?". A record source ("select * from ...") becomes the query of its keys
// alone ("select id from ..."); a query of keyed texts keeps its fields.
//
// The order is the files' own: a whole table, and rows equal under the
// filter, in the order they were added (id, as rowid); an order by names, or
// a filter through the index on (AREA, LOCALITA), by the folded names
// (orvena_nocase, byte by byte) and then id.
namespace orvena::servertexts {

// The server's query for sql (a text of SqlTexts.h, compared by content);
// nullptr for a text it does not know.
const char* of(const char* sql);

// The query of every key of a table in its order ("area" or "localita").
const char* wholeTable(const char* table);

} // namespace orvena::servertexts
