#include "core/archive/AtlasServer.h"

#include "core/archive/ArchiveFailure.h"
#include "core/server/ServerConnection.h"
#include "core/server/ServerSchema.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <sqlite3.h>

#include <memory>
#include <unordered_map>

namespace orvena::atlasserver {

namespace {

const QString kPassword = QStringLiteral(
    "Il file %1 contiene una password: non viene usato. Tenete la password nel file "
    "~/.pgpass (o nel file dei servizi) e nel file %1 solo il nome del server e del "
    "database.");
const QString kUnreadable = QStringLiteral("Il file %1 non si può leggere: %2");
const QString kNotAtlas = QStringLiteral(
    "Il database del server %1 non contiene un atlante di Orvena (caricatelo con orvena "
    "--carica-archivi).");
constexpr const char* kNoPermission = "42501";
const QString kOnServer = QStringLiteral("L'archivio %1 sul server %2 %3.");

QString& commandLineSetting() {
    static QString setting;
    return setting;
}

// A connection text that carries a password: a "password=" setting, or a
// URI with "user:password@".
bool holdsPassword(const QString& text) {
    static const QRegularExpression setting(QStringLiteral("(^|\\s)password\\s*="),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression uri(QStringLiteral("^postgres(ql)?://[^/@]*:[^/@]*@"),
                                        QRegularExpression::CaseInsensitiveOption);
    return setting.match(text).hasMatch() || uri.match(text).hasMatch() ||
           text.contains(QStringLiteral("password="), Qt::CaseInsensitive);
}

// The connections kept on this thread, by the connection text.
thread_local std::unordered_map<QString, std::unique_ptr<server::Connection>> kept;

} // namespace

void setFromCommandLine(const QString& connection) {
    commandLineSetting() = connection.trimmed();
}

Setting of(const QString& folder) {
    if (!commandLineSetting().isEmpty()) return {commandLineSetting(), {}};
    QFile file(QDir(folder).filePath(QLatin1String(kSettingFile)));
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {{}, kUnreadable.arg(QLatin1String(kSettingFile), file.errorString())};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (holdsPassword(line)) return {{}, kPassword.arg(QLatin1String(kSettingFile))};
        return {line, {}};
    }
    return {};
}

bool onServer(const QString& folder) {
    return of(folder).onServer();
}

server::Connection& connection(const QString& folder) {
    const Setting setting = of(folder);
    if (!setting.problem.isEmpty()) throw ArchiveError(setting.problem);
    std::unique_ptr<server::Connection>& entry = kept[setting.connection];
    if (entry && entry->isOpen()) return *entry;
    auto server = std::make_unique<server::Connection>();
    if (const QString problem = server->open(setting.connection); !problem.isEmpty())
        throw ArchiveError(QString(), SQLITE_CANTOPEN, problem);
    try {
        if (!serverschema::isAtlas(*server))
            throw ArchiveError(QString(), SQLITE_NOTADB, notAtlas(server->name()));
    } catch (const server::ServerError& e) {
        throw ArchiveError(QString(), SQLITE_CANTOPEN, e.message());
    }
    entry = std::move(server);
    return *entry;
}

bool ownsBackend(int backend) {
    for (const auto& [text, server] : kept)
        if (backend != 0 && server && server->backend() == backend) return true;
    return false;
}

QString notAtlas(const QString& serverName) {
    return kNotAtlas.arg(serverName);
}

void closeConnections() {
    kept.clear();
}

void fail(const QString& fileName, const server::Connection& connection,
          const server::ServerError& e) {
    if (e.state() == kNoPermission)
        throw ArchiveError(fileName, SQLITE_READONLY,
                           kOnServer.arg(fileName, connection.name(),
                                         failureReason(SQLITE_READONLY)));
    throw ArchiveError(fileName, e.lostConnection() ? SQLITE_CANTOPEN : SQLITE_ERROR,
                       e.message());
}

} // namespace orvena::atlasserver
