#include "app/ProgramInfo.h"

#include <cstdio>
#include <cstring>

namespace orvena {

namespace {

constexpr const char* kHelpOption = "--help";
constexpr const char* kVersionOption = "--version";

constexpr const char* kUsage =
    "Uso: orvena [LOCALITÀ] [--traccia FILE...] [--archivio CONNESSIONE]\n"
    "     orvena --esporta-gis CARTELLA [--mbtiles] [--kmz] [--geotiff]\n"
    "            [--archivio CONNESSIONE]\n"
    "     orvena --importa-calibrazione FILE.map...\n"
    "     orvena --carica-archivi CONNESSIONE\n"
    "     orvena --help | --version\n"
    "\n"
    "Mostra i fogli di carte scansionate della cartella corrente e le loro località;\n"
    "i quattro archivi (area.mdb, localita.mdb, esparea.mdb, esplocalita.mdb) stanno\n"
    "nella cartella corrente.\n"
    "\n"
    "  LOCALITÀ                   apre il foglio della località e la segna; se non\n"
    "                             c'è una località con quel nome, la finestra di\n"
    "                             ricerca mostra le più simili\n"
    "  --traccia FILE...          apre sulla carta le tracce, i percorsi e i punti\n"
    "                             dei file GPX, KML, KMZ o GeoJSON; senza LOCALITÀ\n"
    "                             mostra il foglio dove comincia la prima traccia\n"
    "  --esporta-gis CARTELLA     scrive in CARTELLA le località per i programmi GIS\n"
    "                             (GPX, KML, GeoJSON, CSV) e accanto a ogni foglio\n"
    "                             calibrato file world, .prj e .aux.xml, senza\n"
    "                             aprire finestre\n"
    "  --mbtiles                  con --esporta-gis, anche ogni foglio calibrato\n"
    "                             come CARTELLA/<foglio>.mbtiles\n"
    "  --kmz                      con --esporta-gis, anche ogni foglio calibrato\n"
    "                             come CARTELLA/<foglio>.kmz per i GPS\n"
    "  --geotiff                  con --esporta-gis, anche ogni foglio calibrato\n"
    "                             come <foglio>.geo.tif accanto al file world\n"
    "  --importa-calibrazione FILE.map...\n"
    "                             porta nella cartella corrente il foglio di ogni\n"
    "                             file .map con i suoi punti di riferimento, senza\n"
    "                             aprire finestre; un resoconto per file\n"
    "  --archivio CONNESSIONE     usa l'atlante sul server PostgreSQL indicato\n"
    "                             invece di area.mdb e localita.mdb della cartella\n"
    "                             (vale più del file server-atlante.txt)\n"
    "  --carica-archivi CONNESSIONE\n"
    "                             carica area.mdb e localita.mdb della cartella\n"
    "                             corrente nel database vuoto del server PostgreSQL\n"
    "                             indicato (stringa di connessione di libpq o\n"
    "                             service=NOME; la password in ~/.pgpass), tutto\n"
    "                             in una transazione\n"
    "  --help                     mostra questo aiuto ed esce\n"
    "  --version                  mostra la versione ed esce\n";

} // namespace

bool isInfoCommand(int argc, char** argv) {
    return argc == 2 &&
           (std::strcmp(argv[1], kHelpOption) == 0 || std::strcmp(argv[1], kVersionOption) == 0);
}

int runInfoCommand(int, char** argv) {
    if (std::strcmp(argv[1], kVersionOption) == 0)
        std::fputs("orvena " ORVENA_VERSION "\n", stdout);
    else
        std::fputs(kUsage, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace orvena
