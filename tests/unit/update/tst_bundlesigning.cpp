#include "platform/linux/update/BundleManifest.h"
#include "platform/linux/update/BundleSigning.h"
#include "platform/linux/update/ReleaseImage.h"
#include "platform/linux/update/SodiumArchiveBundleTools.h"
#include "support/BundleTestSupport.h"
#include "support/TestMain.h"

#include <archive.h>
#include <archive_entry.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace fs = std::filesystem;
using BundleTestSupport::writeFile;

namespace {

fs::path fsPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QStringList entriesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        out << QDir(folder).relativeFilePath(it.next());
    }
    out.sort();
    return out;
}

// One entry of a hand-made archive; `kind` is a libarchive file type.
struct Entry {
    Entry(QByteArray name, mode_t type = AE_IFREG, QByteArray data = {}, QByteArray target = {},
          QByteArray hardTarget = {})
        : path(std::move(name)), kind(type), contents(std::move(data)), linkTarget(std::move(target)),
          hardlinkTo(std::move(hardTarget))
    {}
    QByteArray path;
    mode_t kind;
    QByteArray contents;   // files
    QByteArray linkTarget; // symbolic links
    QByteArray hardlinkTo; // hard links
};

// `filter` is a libarchive filter code (gzip unless told).
bool writeArchive(const QString &imagePath, const std::vector<Entry> &entries, int filter = ARCHIVE_FILTER_GZIP)
{
    archive *writer = archive_write_new();
    if (archive_write_add_filter(writer, filter) != ARCHIVE_OK) {
        archive_write_free(writer);
        return false;
    }
    archive_write_set_format_pax_restricted(writer);
    bool ok = archive_write_open_filename(writer, QFile::encodeName(imagePath).constData()) == ARCHIVE_OK;
    for (const Entry &e : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.path.constData());
        archive_entry_set_filetype(entry, e.kind);
        archive_entry_set_perm(entry, e.kind == AE_IFDIR ? 0755 : 0644);
        if (!e.linkTarget.isEmpty()) {
            archive_entry_set_symlink(entry, e.linkTarget.constData());
        }
        if (!e.hardlinkTo.isEmpty()) {
            archive_entry_set_hardlink(entry, e.hardlinkTo.constData());
        }
        if (e.kind == AE_IFCHR) {
            archive_entry_set_rdevmajor(entry, 1);
            archive_entry_set_rdevminor(entry, 3);
        }
        archive_entry_set_size(entry, e.kind == AE_IFREG && e.hardlinkTo.isEmpty() ? e.contents.size() : 0);
        ok = ok && archive_write_header(writer, entry) == ARCHIVE_OK;
        if (e.kind == AE_IFREG && !e.contents.isEmpty()) {
            ok = ok && archive_write_data(writer, e.contents.constData(), std::size_t(e.contents.size())) ==
                           la_ssize_t(e.contents.size());
        }
        archive_entry_free(entry);
    }
    ok = archive_write_close(writer) == ARCHIVE_OK && ok;
    archive_write_free(writer);
    return ok;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Entry>)

class BundleSigningTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    BundleSigning::KeyPair m_team = BundleSigning::generateKeyPair();
    BundleSigning::KeyPair m_otherTeam = BundleSigning::generateKeyPair();
    const BundleSigning::Release m_release{"io.tamsel.desktop", "0.3.0"};

    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void signedBundlePassesAndNamesItsTeam()
    {
        const QString bundle = path(QStringLiteral("good/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(bundle, "signed"));
        QCOMPARE(BundleSigning::sign(fsPath(bundle), m_team, m_release), std::string());

        SodiumArchiveBundleTools tools({m_team.publicKey});
        QVERIFY(tools.verifyStrict(bundle));
        QVERIFY(tools.assess(bundle));
        const auto team = tools.teamIdentifier(bundle);
        QVERIFY(team);
        QCOMPARE(*team, QString::fromStdString(BundleSigning::teamIdentifier(m_team.publicKey)));
        QCOMPARE(team->size(), 16);
        QCOMPARE(tools.signedRelease(bundle), std::optional(BundleTools::SignedRelease{
                                                  QStringLiteral("io.tamsel.desktop"), QStringLiteral("0.3.0")}));
        QVERIFY(*team != QString::fromStdString(BundleSigning::teamIdentifier(m_otherTeam.publicKey)));

        // Signed, but by a key this build does not list.
        SodiumArchiveBundleTools otherBuild({m_otherTeam.publicKey});
        QVERIFY(otherBuild.verifyStrict(bundle));
        QVERIFY(!otherBuild.assess(bundle));
        QVERIFY(!SodiumArchiveBundleTools({}).assess(bundle));
    }

    // The list compiled into a release names the maker's key; misreading it would make every
    // installed copy refuse every update.
    void trustedKeyListReadsEveryKey_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("count");
        for (const char *separator : {";", " ; ", ";\n"}) {
            for (int count = 1; count <= 3; ++count) {
                QTest::addRow("%d keys, separated by '%s'", count, separator)
                    << QString::fromLatin1(separator) << count;
            }
        }
    }
    void trustedKeyListReadsEveryKey()
    {
        QFETCH(QString, separator);
        QFETCH(int, count);
        std::vector<BundleSigning::PublicKey> keys;
        std::string list;
        for (int i = 0; i < count; ++i) {
            keys.push_back(BundleSigning::generateKeyPair().publicKey);
            list += BundleSigning::publicKeyText(keys.back()) + separator.toStdString();
        }
        QVERIFY(SodiumArchiveBundleTools::parseTrustedKeys(list) == keys);
        list.pop_back(); // without the last separator
        QVERIFY(SodiumArchiveBundleTools::parseTrustedKeys(list) == keys);
        // An entry that is no key is left out; the others still count.
        QVERIFY(SodiumArchiveBundleTools::parseTrustedKeys("not-a-key;" + list) == keys);
        QVERIFY(SodiumArchiveBundleTools::parseTrustedKeys("").empty());
    }

    void anyChangeAfterSigningFailsTheStrictCheck_data()
    {
        QTest::addColumn<std::function<void(const QString &)>>("change");
        using Change = std::function<void(const QString &)>;
        QTest::newRow("changed file") << Change([](const QString &b) {
            QVERIFY(writeFile(b + QStringLiteral("/bin/kestrix"), "#!/bin/sh\nrm -rf ~\n", true));
        });
        QTest::newRow("extra file") << Change(
            [](const QString &b) { QVERIFY(writeFile(b + QStringLiteral("/share/kestrix/plugin.so"), "x")); });
        QTest::newRow("extra folder") << Change(
            [](const QString &b) { QVERIFY(QDir().mkpath(b + QStringLiteral("/lib/plugins"))); });
        QTest::newRow("missing file") << Change([](const QString &b) {
            QVERIFY(QFile::remove(b + QStringLiteral("/share/kestrix/Advanced Setup (Terminal + AI Hooks).pdf")));
        });
        QTest::newRow("executable bit added") << Change([](const QString &b) {
            const QString pdf = b + QStringLiteral("/share/kestrix/Advanced Setup (Terminal + AI Hooks).pdf");
            QVERIFY(QFile::setPermissions(pdf, QFile::permissions(pdf) | QFile::ExeOwner));
        });
        QTest::newRow("link retargeted") << Change([](const QString &b) {
            QVERIFY(QFile::remove(b + QStringLiteral("/share/kestrix/guide.pdf")));
            QVERIFY(QFile::link(QStringLiteral("../../bin/kestrix"), b + QStringLiteral("/share/kestrix/guide.pdf")));
        });
        QTest::newRow("link leaving the bundle") << Change(
            [](const QString &b) { QVERIFY(QFile::link(QStringLiteral("/etc"), b + QStringLiteral("/etc"))); });
        QTest::newRow("file replaced by a link") << Change([](const QString &b) {
            QVERIFY(QFile::rename(b + QStringLiteral("/bin/kestrix"), b + QStringLiteral("/../kestrix-moved")));
            QVERIFY(QFile::link(QStringLiteral("../../kestrix-moved"), b + QStringLiteral("/bin/kestrix")));
        });
        QTest::newRow("manifest edited") << Change([](const QString &b) {
            QFile manifest(b + QStringLiteral("/_CodeSignature/manifest"));
            QVERIFY(manifest.open(QIODevice::Append));
            manifest.write("file\t" + QByteArray(64, 'a') + "\t-\tzzz\n");
        });
        // The release the signature names is covered like the files.
        QTest::newRow("signed version edited") << Change([](const QString &b) {
            const QString path = b + QStringLiteral("/_CodeSignature/manifest");
            QFile manifest(path);
            QVERIFY(manifest.open(QIODevice::ReadOnly));
            const QByteArray text = manifest.readAll().replace("version\t0.3.0\n", "version\t9.9.9\n");
            manifest.close();
            QVERIFY(text.contains("9.9.9"));
            QVERIFY(writeFile(path, text));
        });
        QTest::newRow("extra file beside the signature")
            << Change([](const QString &b) { QVERIFY(writeFile(b + QStringLiteral("/_CodeSignature/notes"), "x")); });
        QTest::newRow("unsigned") << Change(
            [](const QString &b) { QVERIFY(QDir(b + QStringLiteral("/_CodeSignature")).removeRecursively()); });
    }
    void anyChangeAfterSigningFailsTheStrictCheck()
    {
        QFETCH(std::function<void(const QString &)>, change);
        const QString bundle =
            path(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')) +
                 QStringLiteral("/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(bundle, "signed"));
        QCOMPARE(BundleSigning::sign(fsPath(bundle), m_team, m_release), std::string());
        change(bundle);
        SodiumArchiveBundleTools tools({m_team.publicKey});
        QVERIFY(!tools.verifyStrict(bundle));
        QVERIFY(!tools.assess(bundle));
    }

    void signatureMovedToAnotherManifestFails()
    {
        // Another team's valid signature file over this team's manifest.
        const QString a = path(QStringLiteral("swap-a/Kestrix.app"));
        const QString b = path(QStringLiteral("swap-b/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(a, "signed"));
        QVERIFY(BundleTestSupport::makeBundle(b, "signed"));
        QVERIFY(writeFile(b + QStringLiteral("/bin/kestrix"), "#!/bin/sh\necho other\n", true));
        QCOMPARE(BundleSigning::sign(fsPath(a), m_team, m_release), std::string());
        QCOMPARE(BundleSigning::sign(fsPath(b), m_otherTeam, m_release), std::string());
        QVERIFY(QFile::remove(a + QStringLiteral("/_CodeSignature/signature")));
        QVERIFY(QFile::copy(b + QStringLiteral("/_CodeSignature/signature"),
                            a + QStringLiteral("/_CodeSignature/signature")));
        QVERIFY(!BundleSigning::verifyStrict(fsPath(a)));
    }

    void signingRefusesWhatCannotBeVerified()
    {
        const QString escaping = path(QStringLiteral("refuse-link/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(escaping, "signed"));
        QVERIFY(QFile::link(QStringLiteral("../../outside"), escaping + QStringLiteral("/bin/outside")));
        QVERIFY(!BundleSigning::sign(fsPath(escaping), m_team, m_release).empty());

        const QString emptyFolder = path(QStringLiteral("refuse-empty/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(emptyFolder, "signed"));
        QVERIFY(QDir().mkpath(emptyFolder + QStringLiteral("/lib")));
        QVERIFY(!BundleSigning::sign(fsPath(emptyFolder), m_team, m_release).empty());

        const QString tab = path(QStringLiteral("refuse-name/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(tab, "signed"));
        QVERIFY(writeFile(tab + QStringLiteral("/bin/a\tb"), "x"));
        QVERIFY(!BundleSigning::sign(fsPath(tab), m_team, m_release).empty());
    }

    void manifestTextHasOneReading_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray head = "kestrix-bundle-manifest 2\nidentifier\tio.tamsel.desktop\nversion\t0.3.0\n";
        const QByteArray digest(64, 'a');
        QTest::newRow("unsorted") << head + "file\t" + digest + "\t-\tb\nfile\t" + digest + "\t-\ta\n";
        QTest::newRow("repeated") << head + "file\t" + digest + "\t-\ta\nfile\t" + digest + "\t-\ta\n";
        QTest::newRow("upper-case digest") << head + "file\t" + QByteArray(64, 'A') + "\t-\ta\n";
        QTest::newRow("short digest") << head + "file\t" + QByteArray(62, 'a') + "\t-\ta\n";
        QTest::newRow("dot dot") << head + "file\t" + digest + "\t-\ta/../b\n";
        QTest::newRow("absolute") << head + "file\t" + digest + "\t-\t/a\n";
        QTest::newRow("signature folder") << head + "file\t" + digest + "\t-\t_CodeSignature/x\n";
        QTest::newRow("escaping link") << head + "link\ta/l\t../../x\n";
        QTest::newRow("absolute link") << head + "link\tl\t/etc\n";
        QTest::newRow("no final newline") << head + "file\t" + digest + "\t-\ta";
        QTest::newRow("carriage return") << head + "file\t" + digest + "\t-\ta\r\n";
        QTest::newRow("old form without a release") << "kestrix-bundle-manifest 1\nfile\t" + digest + "\t-\ta\n";
        QTest::newRow("no identifier") << QByteArray("kestrix-bundle-manifest 2\nversion\t0.3.0\n");
        QTest::newRow("empty version") << QByteArray(
            "kestrix-bundle-manifest 2\nidentifier\tio.tamsel.desktop\nversion\t\n");
        QTest::newRow("version and identifier swapped")
            << QByteArray("kestrix-bundle-manifest 2\nversion\t0.3.0\nidentifier\tio.tamsel.desktop\n");
    }
    void manifestTextHasOneReading()
    {
        QFETCH(QByteArray, text);
        QVERIFY(!BundleManifest::parse(text.toStdString()));

        BundleManifest manifest;
        manifest.identifier = "io.tamsel.desktop";
        manifest.version = "1.2.3";
        manifest.entries.push_back({BundleManifest::Entry::Kind::file, "a b/c", {1, 2}, true, {}});
        manifest.entries.push_back({BundleManifest::Entry::Kind::link, "a b/d", {}, false, "c"});
        QCOMPARE(BundleManifest::parse(manifest.serialize()), std::optional(manifest));
    }

    void attachExtractsReadOnlyAndDetachRemovesIt()
    {
        const QString bundle = path(QStringLiteral("image-source/Kestrix.app"));
        QVERIFY(BundleTestSupport::makeBundle(bundle, "signed"));
        QCOMPARE(BundleSigning::sign(fsPath(bundle), m_team, m_release), std::string());
        const QString image = path(QStringLiteral("image.tar.gz"));
        QCOMPARE(ReleaseImage::pack(fsPath(bundle), fsPath(image)), std::string());

        const QString mount = path(QStringLiteral("image-mount"));
        QVERIFY(QDir().mkpath(mount));
        SodiumArchiveBundleTools tools({m_team.publicKey});
        QVERIFY(tools.attachImage(image, mount));
        QVERIFY(tools.verifyStrict(mount + QStringLiteral("/Kestrix.app")));
        const QFileInfo executable(mount + QStringLiteral("/Kestrix.app/bin/kestrix"));
        QVERIFY(executable.isExecutable());
        QVERIFY(!(executable.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)));
        QVERIFY(!(QFileInfo(mount + QStringLiteral("/Kestrix.app/bin")).permissions() & QFile::WriteOwner));

        QVERIFY(tools.detachImage(mount));
        QVERIFY(!QFileInfo::exists(mount));
        QVERIFY(QFileInfo(bundle + QStringLiteral("/bin/kestrix")).isFile()); // the source is untouched
    }

    void unsafeImagesAreRejectedWithoutWritingAnything_data()
    {
        QTest::addColumn<std::vector<Entry>>("entries");
        // Absolute names point into the test's own folder, so that nothing could land elsewhere.
        const QByteArray outside = QFile::encodeName(path(QStringLiteral("outside")));
        const Entry app{"Kestrix.app/", AE_IFDIR};
        const Entry exe{"Kestrix.app/bin/kestrix", AE_IFREG, "#!/bin/sh\n"};
        using Entries = std::vector<Entry>;
        QTest::newRow("dot dot") << Entries{app, exe, Entry{"Kestrix.app/../../outside/escaped", AE_IFREG, "x"}};
        QTest::newRow("absolute path") << Entries{app, Entry{outside + "/absolute", AE_IFREG, "x"}};
        QTest::newRow("escaping link") << Entries{app, Entry{"Kestrix.app/out", AE_IFLNK, {}, "../../outside"}};
        QTest::newRow("absolute link") << Entries{app, Entry{"Kestrix.app/out", AE_IFLNK, {}, outside}};
        QTest::newRow("write through a link")
            << Entries{app, Entry{"Kestrix.app/lib", AE_IFLNK, {}, "bin"}, Entry{"Kestrix.app/lib/x", AE_IFREG, "x"}};
        // Each link stays inside read as text; followed one through the other, the second leaves.
        QTest::newRow("chained links") << Entries{app, Entry{"Kestrix.app/d/e/up", AE_IFLNK, {}, "../../.."},
                                                  Entry{"Kestrix.app/esc", AE_IFLNK, {}, "d/e/up/.."}};
        QTest::newRow("hard link") << Entries{app, Entry{"Kestrix.app/passwd", AE_IFREG, {}, {}, "/etc/passwd"}};
        QTest::newRow("device") << Entries{app, Entry{"Kestrix.app/null", AE_IFCHR}};
        QTest::newRow("pipe") << Entries{app, Entry{"Kestrix.app/fifo", AE_IFIFO}};
        QTest::newRow("repeated file") << Entries{app, exe, Entry{"Kestrix.app/bin/kestrix", AE_IFREG, "evil"}};
        // Names are kept until the image is checked: their length and depth are bounded.
        QTest::newRow("name too long") << Entries{app, Entry{"Kestrix.app/" + QByteArray(1013, 'n'), AE_IFREG, "x"}};
        QTest::newRow("too deep") << Entries{
            app, Entry{"Kestrix.app/" + QByteArray("d/").repeated(31) + "x", AE_IFREG, "x"}};
    }
    void unsafeImagesAreRejectedWithoutWritingAnything()
    {
        QFETCH(std::vector<Entry>, entries);
        // Absolute entries name m_dir's "outside"; everything else of this row lives in its own folder.
        QTemporaryDir row;
        const auto at = [&row](const QString &name) {
            return row.filePath(name);
        };
        QVERIFY(QDir().mkpath(path(QStringLiteral("outside"))));
        const QStringList outsideBefore = entriesBelow(path(QStringLiteral("outside")));
        const QString image = at(QStringLiteral("image.tar.gz"));
        QVERIFY(writeArchive(image, entries));
        const QString mount = at(QStringLiteral("mount"));
        QVERIFY(QDir().mkpath(mount));
        QVERIFY(QDir().mkpath(at(QStringLiteral("outside"))));

        SodiumArchiveBundleTools tools({m_team.publicKey});
        QVERIFY(!tools.attachImage(image, mount));
        QCOMPARE(entriesBelow(mount), QStringList());
        QCOMPARE(entriesBelow(row.path()),
                 (QStringList{QStringLiteral("image.tar.gz"), QStringLiteral("mount"), QStringLiteral("outside")}));
        QCOMPARE(entriesBelow(path(QStringLiteral("outside"))), outsideBefore);
    }

    void onlyGzipOrUncompressedTarIsRead_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("gzip") << ARCHIVE_FILTER_GZIP << true;
        QTest::newRow("uncompressed") << ARCHIVE_FILTER_NONE << true;
        QTest::newRow("xz") << ARCHIVE_FILTER_XZ << false;
        QTest::newRow("bzip2") << ARCHIVE_FILTER_BZIP2 << false;
        QTest::newRow("zstd") << ARCHIVE_FILTER_ZSTD << false;
        QTest::newRow("compress (.Z)") << ARCHIVE_FILTER_COMPRESS << false;
    }
    void onlyGzipOrUncompressedTarIsRead()
    {
        QFETCH(int, filter);
        QFETCH(bool, accepted);
        QTemporaryDir row;
        const QString image = row.filePath(QStringLiteral("image"));
        QVERIFY(writeArchive(
            image, {Entry{"Kestrix.app/", AE_IFDIR}, Entry{"Kestrix.app/bin/kestrix", AE_IFREG, "#!/bin/sh\n"}},
            filter));
        const QString mount = row.filePath(QStringLiteral("mount"));
        QVERIFY(QDir().mkpath(mount));
        QCOMPARE(ReleaseImage::attach(fsPath(image), fsPath(mount)), accepted);
        QCOMPARE(entriesBelow(mount).isEmpty(), !accepted);
        QVERIFY(ReleaseImage::detach(fsPath(mount)));
    }

    void notAnImageIsRejected()
    {
        const QString image = path(QStringLiteral("garbage.tar.gz"));
        QVERIFY(writeFile(image, QByteArray(4096, 'x')));
        const QString mount = path(QStringLiteral("garbage-mount"));
        QVERIFY(QDir().mkpath(mount));
        QVERIFY(!SodiumArchiveBundleTools({}).attachImage(image, mount));
        QCOMPARE(entriesBelow(mount), QStringList());
    }
};

QTEST_GUILESS_MAIN(BundleSigningTest)
#include "tst_bundlesigning.moc"
