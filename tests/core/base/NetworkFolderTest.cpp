// Network filesystems told from local ones by statfs()'s magic number (and a
// FUSE mount by its subtype); the test's own temporary folder is local.
#include "TestMain.h"

#include "core/base/NetworkFolder.h"

using namespace orvena;

namespace {
struct Row {
    const char* tag;
    quint64 magic;
    const char* subtype;
    const char* expected; // "" for a local filesystem
};
} // namespace
Q_DECLARE_METATYPE(Row)

class NetworkFolderTest : public QObject {
    Q_OBJECT
private slots:
    void kindOfMagic_data() {
        test::addRows<Row>({
            {"nfs", 0x6969, "", "NFS"},
            {"smb", 0x517B, "", "SMB"},
            {"cifs", 0xFF534D42, "", "SMB/CIFS"},
            {"smb2", 0xFE534D42, "", "SMB2"},
            {"ceph", 0x00C36400, "", "Ceph"},
            {"9p", 0x01021997, "", "9P"},
            {"sshfs", 0x65735546, "sshfs", "sshfs"},
            {"rclone", 0x65735546, "rclone", "rclone"},
            {"fuse-local", 0x65735546, "ntfs-3g", ""},
            {"fuse-unknown", 0x65735546, "", ""},
            {"ext4", 0xEF53, "", ""},
            {"xfs", 0x58465342, "", ""},
            {"btrfs", 0x9123683E, "", ""},
            {"tmpfs", 0x01021994, "", ""},
            {"overlay", 0x794C7630, "", ""},
            {"sshfs-subtype-on-ext4", 0xEF53, "sshfs", ""},
        });
    }
    void kindOfMagic() {
        QFETCH(Row, row);
        QCOMPARE(networkfolder::kindOf(row.magic, QString::fromLatin1(row.subtype)),
                 QString::fromLatin1(row.expected));
    }

    void localFoldersAreNotNetwork() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString& folder : {dir.path(), dir.filePath("missing"), QDir::currentPath()})
            QCOMPARE(networkfolder::kindOfFolder(folder), QString());
    }
};

ORVENA_TEST_MAIN(NetworkFolderTest)
#include "NetworkFolderTest.moc"
