#include "core/gis/GisFormats.h"

#include "core/gis/OziMap.h"

#include <QFileInfo>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace orvena::gis {

namespace {

// Seven decimals of a degree are about a centimetre on the ground.
constexpr int kDecimals = 7;

QString degreesText(double v) {
    return QString::number(v, 'f', kDecimals);
}

// XML 1.0 has no way to write most control characters, not even escaped: they
// are left out of names rather than making the whole file unreadable.
QString xmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            continue;
        out.append(c);
    }
    return out;
}

class XmlPlaceWriter : public PlaceWriter {
public:
    explicit XmlPlaceWriter(QIODevice* device)
        : xml_(device) {
        xml_.setAutoFormatting(true);
        xml_.setAutoFormattingIndent(1);
    }
    bool finish() override {
        xml_.writeEndDocument();
        return !xml_.hasError();
    }

protected:
    void text(const QString& element, const QString& value) {
        xml_.writeTextElement(element, xmlSafe(value));
    }
    QXmlStreamWriter xml_;
};

class GpxWriter : public XmlPlaceWriter {
public:
    using XmlPlaceWriter::XmlPlaceWriter;
    void begin() override {
        xml_.writeStartDocument();
        xml_.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
        xml_.writeNamespace(QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"),
                            QStringLiteral("xsi"));
        xml_.writeStartElement(QStringLiteral("gpx"));
        xml_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
        xml_.writeAttribute(QStringLiteral("creator"), QStringLiteral("Orvena"));
        xml_.writeAttribute(QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"),
                            QStringLiteral("schemaLocation"),
                            QStringLiteral("http://www.topografix.com/GPX/1/1 "
                                           "http://www.topografix.com/GPX/1/1/gpx.xsd"));
        xml_.writeStartElement(QStringLiteral("metadata"));
        text(QStringLiteral("name"), QStringLiteral("Località"));
        xml_.writeEndElement();
    }
    void add(const Place& p) override {
        xml_.writeStartElement(QStringLiteral("wpt"));
        xml_.writeAttribute(QStringLiteral("lat"), degreesText(p.lat));
        xml_.writeAttribute(QStringLiteral("lon"), degreesText(p.lon));
        text(QStringLiteral("name"), p.name);
        text(QStringLiteral("desc"), p.area);
        xml_.writeEndElement();
    }
};

class KmlWriter : public XmlPlaceWriter {
public:
    using XmlPlaceWriter::XmlPlaceWriter;
    void begin() override {
        xml_.writeStartDocument();
        xml_.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
        xml_.writeStartElement(QStringLiteral("kml"));
        xml_.writeStartElement(QStringLiteral("Document"));
        text(QStringLiteral("name"), QStringLiteral("Località"));
    }
    void add(const Place& p) override {
        xml_.writeStartElement(QStringLiteral("Placemark"));
        text(QStringLiteral("name"), p.name);
        text(QStringLiteral("description"), p.area);
        xml_.writeStartElement(QStringLiteral("Point"));
        text(QStringLiteral("coordinates"), degreesText(p.lon) + u',' + degreesText(p.lat));
        xml_.writeEndElement();
        xml_.writeEndElement();
    }
};

class GeoJsonWriter : public PlaceWriter {
public:
    explicit GeoJsonWriter(QIODevice* device)
        : device_(device) {}
    void begin() override { write("{\"type\":\"FeatureCollection\",\"features\":["); }
    void add(const Place& p) override {
        const double scale = std::pow(10.0, kDecimals);
        const QJsonObject feature{
            {QStringLiteral("type"), QStringLiteral("Feature")},
            {QStringLiteral("geometry"),
             QJsonObject{
                 {QStringLiteral("type"), QStringLiteral("Point")},
                 {QStringLiteral("coordinates"), QJsonArray{std::round(p.lon * scale) / scale,
                                                            std::round(p.lat * scale) / scale}}}},
            {QStringLiteral("properties"),
             QJsonObject{{QStringLiteral("area"), p.area}, {QStringLiteral("localita"), p.name}}}};
        write(first_ ? "\n" : ",\n");
        first_ = false;
        write(QJsonDocument(feature).toJson(QJsonDocument::Compact));
    }
    bool finish() override {
        write("\n]}\n");
        return ok_;
    }

private:
    void write(const QByteArray& bytes) {
        if (ok_) ok_ = device_->write(bytes) == bytes.size();
    }
    QIODevice* device_;
    bool first_ = true;
    bool ok_ = true;
};

class CsvWriter : public PlaceWriter {
public:
    explicit CsvWriter(QIODevice* device)
        : device_(device) {}
    void begin() override {
        // The byte-order mark tells a spreadsheet the file is UTF-8; without it
        // one on an Italian desktop reads the desktop's code page ("CÃ€").
        write(QByteArrayLiteral("\xEF\xBB\xBF"));
        line({QStringLiteral("area"), QStringLiteral("localita"), QStringLiteral("lat"),
              QStringLiteral("lon")});
    }
    void add(const Place& p) override {
        line({quoted(p.area), quoted(p.name), number(p.lat), number(p.lon)});
    }
    bool finish() override { return ok_; }

private:
    // Italian spreadsheets read "45,5" as a number, and take the semicolon as
    // the separator because the comma is the decimal one.
    static QString number(double v) { return degreesText(v).replace(u'.', u','); }
    // A text cell as a spreadsheet takes it: one that would start a formula
    // (=, +, -, @, a tab or a carriage return first) gets an apostrophe before
    // it, which spreadsheets read as "text" and do not show; line breaks and
    // other control characters become blanks, so that a place is one line.
    static QString quoted(const QString& field) {
        static const QString formula = QStringLiteral("=+-@\t\r");
        QString cell = !field.isEmpty() && formula.contains(field.front()) ? u'\'' + field : field;
        for (QChar& c : cell)
            if (c.category() == QChar::Other_Control) c = u' ';
        if (!cell.contains(u';') && !cell.contains(u'"')) return cell;
        return u'"' + cell.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    }
    void line(const QStringList& fields) { write((fields.join(u';') + u'\n').toUtf8()); }
    void write(const QByteArray& bytes) {
        if (ok_) ok_ = device_->write(bytes) == bytes.size();
    }
    QIODevice* device_;
    bool ok_ = true;
};

} // namespace

std::optional<WorldFile> worldFileFor(const SheetCalibration& c) {
    const double cola = c.cola;
    const double colo = c.colo;
    for (const double v : {cola, colo, c.pxlao, c.seclao, c.pxloo, c.secloo})
        if (!std::isfinite(v)) return std::nullopt;
    if (cola == 0.0 || colo == 0.0) return std::nullopt;
    const double half = kTwipsPerPixel / 2.0;
    const WorldFile w{kTwipsPerPixel / colo / 3600.0,
                      0.0,
                      0.0,
                      -kTwipsPerPixel / cola / 3600.0,
                      (c.secloo + (half - c.pxloo) / colo) / 3600.0,
                      (c.seclao - (half - c.pxlao) / cola) / 3600.0};
    for (const double v : w)
        if (!std::isfinite(v)) return std::nullopt;
    return w;
}

QByteArray worldFileText(const WorldFile& w) {
    QByteArray out;
    for (const double v : w)
        out += QByteArray::number(v == 0.0 ? 0.0 : v, 'f', 15) + '\n';
    return out;
}

QString worldFileName(const QString& imageName) {
    const QFileInfo info(imageName);
    const QString ext = info.suffix();
    const QString base = imageName.left(imageName.size() - ext.size() - (ext.isEmpty() ? 0 : 1));
    if (ext.isEmpty()) return imageName + QStringLiteral(".wld");
    const bool upper = ext.at(0).isUpper();
    return base + u'.' + ext.front() + ext.back() + (upper ? u'W' : u'w');
}

QString projectionFileName(const QString& imageName) {
    const QString ext = QFileInfo(imageName).suffix();
    const QString base = imageName.left(imageName.size() - ext.size() - (ext.isEmpty() ? 0 : 1));
    return base + QStringLiteral(".prj");
}

QString auxiliaryFileName(const QString& imageName) {
    return imageName + QStringLiteral(".aux.xml");
}

QString mbTilesFileName(const QString& imageName) {
    return projectionFileName(imageName).chopped(4) + QStringLiteral(".mbtiles");
}

QHash<QString, SheetFileNames> sheetFileNames(const QStringList& sheets) {
    QHash<QString, SheetFileNames> names;
    for (const QString& sheet : sheets)
        names.insert(sheet,
                     {worldFileName(sheet), projectionFileName(sheet), auxiliaryFileName(sheet),
                      mbTilesFileName(sheet), oziMapFileName(sheet)});
    // How many sheets take each name, letter case ignored.
    QHash<QString, int> takers;
    for (const SheetFileNames& n : std::as_const(names))
        for (const QString* file : {&n.world, &n.projection, &n.tiles, &n.map})
            ++takers[file->toCaseFolded()];
    const auto shared = [&takers](const QString& file) {
        return takers.value(file.toCaseFolded()) > 1;
    };
    for (auto it = names.begin(); it != names.end(); ++it) {
        const QString& sheet = it.key();
        SheetFileNames& n = it.value();
        if (shared(n.world))
            n.world =
                QFileInfo(sheet).suffix().isEmpty() ? sheet + QStringLiteral(".wld") : sheet + u'w';
        if (shared(n.projection)) n.projection = sheet + QStringLiteral(".prj");
        if (shared(n.tiles)) n.tiles = sheet + QStringLiteral(".mbtiles");
        if (shared(n.map)) n.map = sheet + QStringLiteral(".map");
    }
    return names;
}

QByteArray projectionText(Datum datum) {
    const QByteArray wkt = datumWkt(datum, WktFlavour::Esri);
    return wkt.isEmpty() ? wkt : wkt + '\n';
}

QByteArray auxiliaryText(Datum datum) {
    const QByteArray wkt = datumWkt(datum, WktFlavour::Gdal);
    if (wkt.isEmpty()) return wkt;
    return "<PAMDataset>\n"
           "  <SRS dataAxisToSRSAxisMapping=\"2,1\">" +
           wkt +
           "</SRS>\n"
           "</PAMDataset>\n";
}

std::optional<double> decimalDegrees(const std::optional<double>& deg,
                                     const std::optional<double>& min,
                                     const std::optional<double>& sec) {
    if (!deg || !min || !sec) return std::nullopt;
    const double seconds = *deg * 3600.0 + *min * 60.0 + *sec;
    if (!std::isfinite(seconds)) return std::nullopt;
    return seconds / 3600.0;
}

bool onTheGlobe(double lat, double lon) {
    return std::abs(lat) <= 90.0 && std::abs(lon) <= 180.0;
}

std::unique_ptr<PlaceWriter> placeWriter(PlaceFormat format, QIODevice* device) {
    switch (format) {
    case PlaceFormat::Gpx:
        return std::make_unique<GpxWriter>(device);
    case PlaceFormat::Kml:
        return std::make_unique<KmlWriter>(device);
    case PlaceFormat::GeoJson:
        return std::make_unique<GeoJsonWriter>(device);
    case PlaceFormat::Csv:
        return std::make_unique<CsvWriter>(device);
    }
    return nullptr;
}

QString placeFileName(PlaceFormat format) {
    switch (format) {
    case PlaceFormat::Gpx:
        return QStringLiteral("localita.gpx");
    case PlaceFormat::Kml:
        return QStringLiteral("localita.kml");
    case PlaceFormat::GeoJson:
        return QStringLiteral("localita.geojson");
    case PlaceFormat::Csv:
        return QStringLiteral("localita.csv");
    }
    return {};
}

} // namespace orvena::gis
