#include "app/AppResources.h"
#include "app/ui/MenuPresenter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<DeviceQueryResponse>)

namespace {
DeviceQueryResponse queried(HardwarePlatform platform, FirmwareVersion version)
{
    DeviceQueryResponse q;
    q.hwPlatform = platform;
    q.version = version;
    return q;
}

void writeImage(const QString &path, QColor colour, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "PNG"));
}
} // namespace

class MenuPresenterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deviceStatusLine_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<std::optional<DeviceQueryResponse>>("query");
        QTest::addColumn<bool>("inaccessible");
        QTest::addColumn<QString>("expected");
        const std::optional<DeviceQueryResponse> none;
        QTest::newRow("absent") << false << none << false << QStringLiteral("Device: Not Found");
        QTest::newRow("stale query while absent")
            << false << std::optional(queried(HardwarePlatform::rp2350, {1, 2, 3})) << false
            << QStringLiteral("Device: Not Found");
        QTest::newRow("present, no permission") << false << none << true << QStringLiteral("Device: Found, No Access");
        QTest::newRow("connected, not yet queried") << true << none << false << QStringLiteral("Device: Connected");
        QTest::newRow("unknown platform") << true << std::optional(queried(HardwarePlatform::unknown, {1, 0, 0}))
                                          << false << QStringLiteral("Device: Standard v1.0.0");
        QTest::newRow("rp2040") << true << std::optional(queried(HardwarePlatform::rp2040, {0, 9, 12})) << false
                                << QStringLiteral("Device: TARN (RP2040) v0.9.12");
        QTest::newRow("rp2350") << true << std::optional(queried(HardwarePlatform::rp2350, {1, 4, 0})) << true
                                << QStringLiteral("Device: TARN v1.4.0");
    }
    void deviceStatusLine()
    {
        QFETCH(bool, connected);
        QFETCH(std::optional<DeviceQueryResponse>, query);
        QFETCH(bool, inaccessible);
        QFETCH(QString, expected);
        QCOMPARE(MenuPresenter::deviceStatusLabel(connected, query, inaccessible), expected);
        QCOMPARE(MenuPresenter::deviceAccessHint(connected, inaccessible).isEmpty(), connected || !inaccessible);
    }

    void versionLine()
    {
        QCOMPARE(MenuPresenter::appVersionLabel(QStringLiteral("0.2.7")), QStringLiteral("Kestrix v0.2.7"));
        QCOMPARE(MenuPresenter::appVersionLabel(std::nullopt), QStringLiteral("Kestrix v?"));
    }

    void resourcesAreLookedUpInTheBundleFirst()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bundle/share/kestrix")));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("beside")));
        const QString bundleShare = root.filePath(QStringLiteral("bundle/share/kestrix/"));
        const QString beside = root.filePath(QStringLiteral("beside/"));
        AppResources::Locations locations{root.filePath(QStringLiteral("bundle")), beside};

        // Nothing shipped: an empty 18x18 tray image, no display icon, no guide.
        QImage empty = AppResources::menuBarImage(locations);
        QCOMPARE(empty.size(), QSize(18, 18));
        QCOMPARE(qAlpha(empty.pixel(9, 9)), 0);
        QVERIFY(!AppResources::appIconDisplayImage(locations));
        QVERIFY(!AppResources::advancedSetupPDF(locations));

        // Only beside the executable: found there, scaled to 18x18.
        writeImage(beside + QStringLiteral("MenuBarIcon.png"), Qt::red, 36);
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::red));
        QCOMPARE(AppResources::menuBarImage(locations).size(), QSize(18, 18));
        // The bundle's copy wins; a file that is not an image does not count as found.
        QFile broken(bundleShare + QStringLiteral("MenuBarIcon.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a png");
        broken.close();
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::red));
        QVERIFY(broken.remove());
        writeImage(bundleShare + QStringLiteral("MenuBarIcon.png"), Qt::blue, 18);
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::blue));

        // The guide counts as found when the file exists; an absent resource folder is skipped.
        QFile guide(beside + QStringLiteral("Advanced Setup (Terminal + AI Hooks).pdf"));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.close();
        QCOMPARE(AppResources::advancedSetupPDF(locations), std::optional(QUrl::fromLocalFile(guide.fileName())));
        locations.resourceFolder.reset();
        QVERIFY(!AppResources::advancedSetupPDF(locations));
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::blue));
    }
};

QTEST_MAIN(MenuPresenterTest)
#include "tst_menupresenter.moc"
