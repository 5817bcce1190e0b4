// ctest-labels: integration
// The installed game, as a player gets it: cmake --install into a staging
// directory, the launcher started there under the test's display, the desktop
// files through their validators, and the Debian package unpacked into a
// throw-away root.

#include <QDir>
#include <QDirIterator>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>

namespace {

const QString appId = QStringLiteral("games.vexa.Torvane");
const QList<int> iconSizes = {48, 64, 128, 256};

struct Run
{
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;

    bool ok() const { return started && finished && exitCode == 0; }
    QString report() const
    {
        return QStringLiteral("started %1, finished %2, exit code %3\n%4\n%5")
            .arg(started)
            .arg(finished)
            .arg(exitCode)
            .arg(out, err);
    }
};

Run run(const QString &program, const QStringList &args, const QString &workDir,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 120000)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setWorkingDirectory(workDir);
    process.setProcessEnvironment(env);
    process.start();
    Run result;
    result.started = process.waitForStarted();
    result.finished = result.started && process.waitForFinished(timeoutMs);
    if (!result.finished)
        process.kill();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString tool(const QString &name)
{
    return QStandardPaths::findExecutable(name);
}

QString binaryDir()
{
    return QStringLiteral(TORVANE_BINARY_DIR);
}

// "Key=value" lines of the [Desktop Entry] group.
QHash<QString, QString> readDesktopEntry(const QString &path)
{
    QHash<QString, QString> entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    bool inGroup = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        else if (inGroup && line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char('#')))
            entry.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return entry;
}

// Where the launcher script sends the game: the paths it builds from its own
// directory, resolved against where it is installed.
struct LauncherTargets
{
    QString dataDir;
    QString game;
};

std::optional<LauncherTargets> launcherTargets(const QString &launcher)
{
    QFile file(launcher);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression data(QStringLiteral("^datadir=\"\\$bindir/([^\"]+)\"$"),
                                  QRegularExpression::MultilineOption);
    const QRegularExpression game(QStringLiteral("^game=\"\\$bindir/([^\"]+)\"$"),
                                  QRegularExpression::MultilineOption);
    const auto dataMatch = data.match(text);
    const auto gameMatch = game.match(text);
    if (!dataMatch.hasMatch() || !gameMatch.hasMatch())
        return std::nullopt;
    const QDir bin = QFileInfo(launcher).dir();
    return LauncherTargets{QDir::cleanPath(bin.filePath(dataMatch.captured(1))),
                           QDir::cleanPath(bin.filePath(gameMatch.captured(1)))};
}

// Mean difference per colour channel (0..255) between a picture drawn on
// black and the same-sized region of the screen at the given place.
double meanDifference(const QImage &screen, const QImage &picture, QPoint at)
{
    QImage expected(picture.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter(&expected).drawImage(0, 0, picture);
    const QImage actual = screen.copy(QRect(at, picture.size())).convertToFormat(QImage::Format_RGB32);
    if (actual.size() != expected.size())
        return 255;
    qint64 total = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            total += qAbs(qRed(a) - qRed(e)) + qAbs(qGreen(a) - qGreen(e)) + qAbs(qBlue(a) - qBlue(e));
        }
    }
    return double(total) / (3.0 * expected.width() * expected.height());
}

int nonBlackPixels(const QImage &picture)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > 16 && qAlpha(picture.pixel(x, y)) > 16)
                ++count;
    return count;
}

// Xlib, kept at the bottom of this file: its macros clash with Qt's names.
QList<unsigned long> viewableWindowsOf(qint64 pid);
void raiseWindow(unsigned long window);
bool sendDeleteWindow(unsigned long window);

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void installedTreeHoldsGameDataAndDesktopFiles();
    void iconsAreDarkSquareTilesShowingTheLogo();
    void desktopEntryAndMetadataPassTheirValidators();
    void desktopEntryMetadataAndIconsNameTheSameApplication();
    void launcherShowsTheMainMenuAndTheGameExitsCleanlyWhenItsWindowCloses();
    void launcherSaysSoWhenTheDataIsMissing();
    void debianPackageDeclaresItsRuntimeDependencies();
    void debianPackageTouchesNothingOutsideUsr();
    void debianPackageInstallsWhereTheLauncherLooks();

private:
    QString usr(const QString &path) const { return stage.path() + QStringLiteral("/usr/") + path; }
    bool buildPackage();
    QString dpkgField(const QString &field);
    static QString manifestPath() { return binaryDir() + QStringLiteral("/install_manifest.txt"); }

    QTemporaryDir stage;
    QTemporaryDir scratch;
    QString deb;
    std::optional<QByteArray> oldManifest;
};

void TestInstall::initTestCase()
{
    QVERIFY(stage.isValid());
    QVERIFY(scratch.isValid());
    QVERIFY2(QFileInfo::exists(binaryDir() + QStringLiteral("/data/logo.png")),
             "the build has not generated its data");
    const QString cmake = tool(QStringLiteral("cmake"));
    QVERIFY(!cmake.isEmpty());

    // cmake --install and cpack both write their manifest into the build
    // directory; cleanupTestCase puts back whatever a real install left there.
    QFile manifest(manifestPath());
    if (manifest.open(QIODevice::ReadOnly))
        oldManifest = manifest.readAll();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), stage.path());
    const Run install = run(cmake, {QStringLiteral("--install"), binaryDir(), QStringLiteral("--prefix"),
                                    QStringLiteral("/usr")},
                            scratch.path(), env);
    QVERIFY2(install.ok(), qPrintable(install.report()));
}

void TestInstall::cleanupTestCase()
{
    QFile manifest(manifestPath());
    if (!oldManifest) {
        manifest.remove();
    } else if (manifest.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        manifest.write(*oldManifest);
    }
}

void TestInstall::installedTreeHoldsGameDataAndDesktopFiles()
{
    const QFileInfo launcher(usr(QStringLiteral("bin/torvane")));
    QVERIFY(launcher.isFile() && launcher.isExecutable());
    QFile script(launcher.filePath());
    QVERIFY(script.open(QIODevice::ReadOnly));
    QVERIFY2(script.readLine().startsWith("#!/bin/sh"), "the launcher is not a shell script");

    // The game itself stays off PATH: started directly it would look for its
    // data in whatever directory it was started from.
    QVERIFY(QFileInfo(usr(QStringLiteral("libexec/torvane/torvane"))).isExecutable());

    const QDir data(usr(QStringLiteral("share/torvane/data")));
    for (const char *file : {"logo.png", "loading.png", "singleplayer-up.png", "sound/sounds.xml",
                             "sets/bodyparts/tris4.pcx"})
        QVERIFY2(data.exists(QLatin1String(file)), file);
    QVERIFY(!QDir(data.filePath(QStringLiteral("sets"))).entryList({QStringLiteral("*.xml")}).isEmpty());
    QVERIFY(!QDir(data.filePath(QStringLiteral("music"))).entryList(QDir::Files).isEmpty());

    // Every generated file arrives, byte for byte.
    QDirIterator it(binaryDir() + QStringLiteral("/data"), QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QFileInfo source(it.next());
        const QString relative = QDir(binaryDir() + QStringLiteral("/data")).relativeFilePath(source.filePath());
        QCOMPARE(QFileInfo(data.filePath(relative)).size(), source.size());
        ++files;
    }
    QVERIFY(files > 10);

    QVERIFY(QFileInfo::exists(usr(QStringLiteral("share/applications/") + appId + QStringLiteral(".desktop"))));
    QVERIFY(QFileInfo::exists(usr(QStringLiteral("share/metainfo/") + appId + QStringLiteral(".metainfo.xml"))));
    for (const char *toolName : {"torvane-inspect", "torvane-setcheck"}) {
        const QString built = binaryDir() + QStringLiteral("/tools/")
                              + QString::fromLatin1(toolName).section(QLatin1Char('-'), 1) + QLatin1Char('/')
                              + QLatin1String(toolName);
        if (QFileInfo::exists(built))
            QVERIFY2(QFileInfo(usr(QStringLiteral("bin/")) + QLatin1String(toolName)).isExecutable(), toolName);
    }
}

void TestInstall::iconsAreDarkSquareTilesShowingTheLogo()
{
    for (int size : iconSizes) {
        const QString path = usr(QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size)) + appId
                             + QStringLiteral(".png");
        const QImage icon(path);
        QVERIFY2(!icon.isNull(), qPrintable(path));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY2(icon.hasAlphaChannel() && qAlpha(icon.pixel(0, 0)) == 0, "corners are not cut round");
        const QRgb edge = icon.pixel(size / 2, 1);
        QVERIFY2(qAlpha(edge) == 255 && qGray(edge) < 64, "the tile is not dark");
        // The logo fills most of the tile: plenty of its pixels are far from
        // the tile colour.
        int logoPixels = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAbs(qGray(icon.pixel(x, y)) - qGray(edge)) > 40)
                    ++logoPixels;
        QVERIFY2(logoPixels > size * size / 50, qPrintable(QStringLiteral("%1 px icon shows no logo").arg(size)));
    }
}

void TestInstall::desktopEntryAndMetadataPassTheirValidators()
{
    const QString desktopValidate = tool(QStringLiteral("desktop-file-validate"));
    const QString appstream = tool(QStringLiteral("appstreamcli"));
    QVERIFY2(!desktopValidate.isEmpty(), "desktop-file-validate is missing (desktop-file-utils)");
    QVERIFY2(!appstream.isEmpty(), "appstreamcli is missing (appstream)");

    const Run desktop = run(desktopValidate, {usr(QStringLiteral("share/applications/") + appId + QStringLiteral(".desktop"))},
                            scratch.path());
    QVERIFY2(desktop.ok(), qPrintable(desktop.report()));
    const Run metainfo = run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                         usr(QStringLiteral("share/metainfo/") + appId + QStringLiteral(".metainfo.xml"))},
                             scratch.path());
    QVERIFY2(metainfo.ok(), qPrintable(metainfo.report()));
}

void TestInstall::desktopEntryMetadataAndIconsNameTheSameApplication()
{
    const auto entry = readDesktopEntry(usr(QStringLiteral("share/applications/") + appId + QStringLiteral(".desktop")));
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    // Exec runs through PATH, so it must name the launcher in bin/.
    const QString exec = entry.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
    QVERIFY(QFileInfo(usr(QStringLiteral("bin/")) + exec).isExecutable());
    QCOMPARE(entry.value(QStringLiteral("Icon")), appId);
    const QStringList categories = entry.value(QStringLiteral("Categories")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QVERIFY(categories.contains(QStringLiteral("Game")));
    QVERIFY(categories.contains(QStringLiteral("Education")));

    QFile file(usr(QStringLiteral("share/metainfo/") + appId + QStringLiteral(".metainfo.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDomDocument metainfo;
    QVERIFY(metainfo.setContent(&file));
    const QDomElement component = metainfo.documentElement();
    QCOMPARE(component.firstChildElement(QStringLiteral("id")).text(), appId);
    QCOMPARE(component.firstChildElement(QStringLiteral("launchable")).text(), appId + QStringLiteral(".desktop"));
    const QString binary = component.firstChildElement(QStringLiteral("provides")).firstChildElement(QStringLiteral("binary")).text();
    QCOMPARE(binary, exec);
    QVERIFY(!component.firstChildElement(QStringLiteral("content_rating")).isNull());
}

void TestInstall::launcherShowsTheMainMenuAndTheGameExitsCleanlyWhenItsWindowCloses()
{
    const QDir data(usr(QStringLiteral("share/torvane/data")));
    const QImage single(data.filePath(QStringLiteral("singleplayer-up.png")));
    const QImage multi(data.filePath(QStringLiteral("multiplayer-up.png")));
    const QImage exit(data.filePath(QStringLiteral("exit-up.png")));
    QVERIFY(!single.isNull() && !multi.isNull() && !exit.isNull());
    QVERIFY2(nonBlackPixels(single) > single.width() * single.height() / 10,
             "the single-player button is too dark to be told from the background");

    // Where the main menu puts its single-player button: the menu is centred
    // in the full-screen window and the button stands at (10, 10) in it.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int multiX = 10 + single.width() + 10;
    const QSize menu(multiX + multi.width(), 30 + multi.height() + 10 + exit.height());
    const QPoint button((screen.width() - menu.width()) / 2 + 10, (screen.height() - menu.height()) / 2 + 10);

    QTemporaryDir config;
    QVERIFY(config.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess game;
    game.setProgram(usr(QStringLiteral("bin/torvane")));
    game.setWorkingDirectory(scratch.path()); // anywhere but the data directory
    game.setProcessEnvironment(env);
    game.start();
    QVERIFY2(game.waitForStarted(), qPrintable(game.errorString()));
    auto stopGame = qScopeGuard([&game] {
        if (game.state() != QProcess::NotRunning) {
            game.kill();
            game.waitForFinished();
        }
    });

    // The menu comes 1000 ms after start; the software renderer and a busy
    // machine can stretch that a lot.
    QElapsedTimer clock;
    clock.start();
    QImage shot;
    double difference = 255;
    QList<unsigned long> windows;
    while (clock.elapsed() < 30000 && game.state() == QProcess::Running) {
        QTest::qWait(250);
        // The launcher execs the game, so the window belongs to the process
        // started here. Other tests may show windows on the same display.
        windows = viewableWindowsOf(game.processId());
        for (unsigned long window : windows)
            raiseWindow(window);
        if (windows.isEmpty())
            continue;
        shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        difference = meanDifference(shot, single, button);
        if (difference < 12)
            break;
    }

    const QString shots = qEnvironmentVariable("TORVANE_SCREENSHOTS");
    if (!shots.isEmpty() && !shot.isNull()) {
        QDir().mkpath(shots + QStringLiteral("/install"));
        shot.save(shots + QStringLiteral("/install/main-menu.png"));
    }
    QVERIFY2(game.state() == QProcess::Running,
             qPrintable(QStringLiteral("the game ended early: %1\n%2")
                            .arg(game.exitCode())
                            .arg(QString::fromLocal8Bit(game.readAllStandardError()))));
    QVERIFY2(!windows.isEmpty(), "the game shows no window");
    QVERIFY2(difference < 12,
             qPrintable(QStringLiteral("no single-player button at (%1, %2): mean difference %3")
                            .arg(button.x())
                            .arg(button.y())
                            .arg(difference)));

    // No window manager runs under Xvfb: ask the window to close as one would.
    for (unsigned long window : windows)
        QVERIFY(sendDeleteWindow(window));
    QVERIFY2(game.waitForFinished(10000), "the game did not end after its window was closed");
    QCOMPARE(game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(game.exitCode(), 0);
    // The game writes nothing into its data directory.
    QCOMPARE(QDir(data).entryList(QDir::Files).size(), QDir(binaryDir() + QStringLiteral("/data")).entryList(QDir::Files).size());
}

void TestInstall::launcherSaysSoWhenTheDataIsMissing()
{
    // A launcher on its own, with nothing installed beside it.
    const QString lonely = scratch.filePath(QStringLiteral("lonely/bin"));
    QVERIFY(QDir().mkpath(lonely));
    QVERIFY(QFile::copy(usr(QStringLiteral("bin/torvane")), lonely + QStringLiteral("/torvane")));
    const Run result = run(lonely + QStringLiteral("/torvane"), {}, scratch.path());
    QVERIFY(result.started && result.finished);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("data is missing")), qPrintable(result.err));
}

bool TestInstall::buildPackage()
{
    if (!deb.isEmpty())
        return true;
    const QString cpack = tool(QStringLiteral("cpack"));
    if (cpack.isEmpty())
        return false;
    // -B keeps cpack's staging and the package inside our temporary dir.
    const QString out = scratch.filePath(QStringLiteral("package"));
    const Run result = run(cpack, {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                   binaryDir() + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out},
                           scratch.path(), QProcessEnvironment::systemEnvironment(), 240000);
    if (!result.ok()) {
        qWarning("%s", qPrintable(result.report()));
        return false;
    }
    const QStringList debs = QDir(out).entryList({QStringLiteral("torvane_*.deb")}, QDir::Files);
    if (debs.size() != 1)
        return false;
    deb = QDir(out).filePath(debs.first());
    return true;
}

QString TestInstall::dpkgField(const QString &field)
{
    const Run result = run(tool(QStringLiteral("dpkg-deb")), {QStringLiteral("-f"), deb, field}, scratch.path());
    return result.ok() ? result.out.simplified() : QString();
}

void TestInstall::debianPackageDeclaresItsRuntimeDependencies()
{
    QVERIFY(buildPackage());
    const Run info = run(tool(QStringLiteral("dpkg-deb")), {QStringLiteral("-I"), deb}, scratch.path());
    QVERIFY2(info.ok(), qPrintable(info.report()));

    QCOMPARE(dpkgField(QStringLiteral("Package")), QStringLiteral("torvane"));
    QCOMPARE(dpkgField(QStringLiteral("Section")), QStringLiteral("games"));
    QVERIFY(!dpkgField(QStringLiteral("Maintainer")).isEmpty());

    const QStringList depends = dpkgField(QStringLiteral("Depends")).split(QStringLiteral(", "));
    auto hasPackage = [&depends](const QString &name) {
        return std::any_of(depends.begin(), depends.end(), [&name](const QString &d) {
            return d.section(QLatin1Char(' '), 0, 0) == name;
        });
    };
    // Found by shlibdeps in the binaries...
    for (const char *name : {"libqt6widgets6", "libqt6openglwidgets6", "libqt6xml6", "libglu1-mesa"})
        QVERIFY2(hasPackage(QLatin1String(name)), qPrintable(depends.join(QStringLiteral(", "))));
    // ...and what only the running game needs.
    for (const char *name : {"qt6-qpa-plugins", "libgl1-mesa-dri", "fonts-dejavu-core", "libsdl2-mixer-2.0-0"})
        QVERIFY2(hasPackage(QLatin1String(name)), qPrintable(depends.join(QStringLiteral(", "))));

    // The store listing announces the release that is in the package.
    QFile file(usr(QStringLiteral("share/metainfo/") + appId + QStringLiteral(".metainfo.xml")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDomDocument metainfo;
    QVERIFY(metainfo.setContent(&file));
    const QString release = metainfo.documentElement()
                                .firstChildElement(QStringLiteral("releases"))
                                .firstChildElement(QStringLiteral("release"))
                                .attribute(QStringLiteral("version"));
    QCOMPARE(release, dpkgField(QStringLiteral("Version")));
}

void TestInstall::debianPackageTouchesNothingOutsideUsr()
{
    // The player's name and difficulty live in ~/.config/Vexa/Torvane.conf:
    // no maintainer script or configuration file may reach it on upgrade.
    QVERIFY(buildPackage());
    QTemporaryDir control;
    QVERIFY(control.isValid());
    const Run extract = run(tool(QStringLiteral("dpkg-deb")), {QStringLiteral("-e"), deb, control.filePath(QStringLiteral("DEBIAN"))},
                            scratch.path());
    QVERIFY2(extract.ok(), qPrintable(extract.report()));
    const QStringList members = QDir(control.filePath(QStringLiteral("DEBIAN"))).entryList(QDir::Files);
    for (const char *name : {"preinst", "postinst", "prerm", "postrm", "conffiles"})
        QVERIFY2(!members.contains(QLatin1String(name)), name);

    const Run contents = run(tool(QStringLiteral("dpkg-deb")), {QStringLiteral("-c"), deb}, scratch.path());
    QVERIFY2(contents.ok(), qPrintable(contents.report()));
    const QStringList lines = contents.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 10);
    for (const QString &line : lines) {
        const QString path = line.section(QLatin1Char(' '), -1);
        QVERIFY2(path == QLatin1String("./") || path.startsWith(QLatin1String("./usr/")), qPrintable(line));
        QVERIFY2(!line.contains(QLatin1String("Torvane.conf")), qPrintable(line));
    }
}

void TestInstall::debianPackageInstallsWhereTheLauncherLooks()
{
    QVERIFY(buildPackage());
    const QString root = scratch.filePath(QStringLiteral("root"));
    for (const char *dir : {"var/lib/dpkg/info", "var/lib/dpkg/updates", "var/lib/dpkg/triggers"})
        QVERIFY(QDir(root).mkpath(QLatin1String(dir)));
    QFile status(root + QStringLiteral("/var/lib/dpkg/status"));
    QVERIFY(status.open(QIODevice::WriteOnly));
    status.close();

    const QString dpkg = tool(QStringLiteral("dpkg"));
    QVERIFY(!dpkg.isEmpty());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // dpkg wants its helper programs on PATH even for a foreign root.
    env.insert(QStringLiteral("PATH"), env.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin:/sbin"));
    const Run install = run(dpkg, {QStringLiteral("--root=") + root, QStringLiteral("--force-depends"),
                                   QStringLiteral("--force-not-root"), QStringLiteral("-i"), deb},
                            scratch.path(), env);
    QVERIFY2(install.ok(), qPrintable(install.report()));
    const Run state = run(dpkg, {QStringLiteral("--root=") + root, QStringLiteral("-s"), QStringLiteral("torvane")},
                          scratch.path(), env);
    QVERIFY2(state.out.contains(QLatin1String("Status: install ok installed")), qPrintable(state.report()));

    const QString launcher = root + QStringLiteral("/usr/bin/torvane");
    QVERIFY(QFileInfo(launcher).isExecutable());
    const auto targets = launcherTargets(launcher);
    QVERIFY2(targets, "the launcher does not say where the game and its data are");
    QVERIFY(QFileInfo(targets->game).isExecutable());
    QVERIFY(targets->game.startsWith(root + QStringLiteral("/usr/")));
    const QDir data(targets->dataDir);
    QVERIFY(data.exists(QStringLiteral("logo.png")));
    QVERIFY(!QDir(data.filePath(QStringLiteral("sets"))).entryList({QStringLiteral("*.xml")}).isEmpty());
    QVERIFY(data.exists(QStringLiteral("sound/sounds.xml")));

    const QDir share(root + QStringLiteral("/usr/share"));
    QVERIFY(share.exists(QStringLiteral("applications/") + appId + QStringLiteral(".desktop")));
    QVERIFY(share.exists(QStringLiteral("metainfo/") + appId + QStringLiteral(".metainfo.xml")));
    for (int size : iconSizes)
        QVERIFY(share.exists(QStringLiteral("icons/hicolor/%1x%1/apps/").arg(size) + appId + QStringLiteral(".png")));
    // Stripped for the package, but still the game.
    QVERIFY(QFileInfo(targets->game).size() < QFileInfo(binaryDir() + QStringLiteral("/src/torvane")).size());
}

QTEST_MAIN(TestInstall)
#include "test_install.moc"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

struct DisplayConnection
{
    Display *display = XOpenDisplay(nullptr);
    ~DisplayConnection()
    {
        if (display)
            XCloseDisplay(display);
    }
};

QList<unsigned long> viewableWindowsOf(qint64 pid)
{
    QList<unsigned long> found;
    DisplayConnection x;
    if (!x.display)
        return found;
    const Atom pidAtom = XInternAtom(x.display, "_NET_WM_PID", False);
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x.display, DefaultRootWindow(x.display), &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(x.display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char *value = nullptr;
        if (XGetWindowProperty(x.display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &value)
                == Success
            && value) {
            if (format == 32 && items == 1 && qint64(*reinterpret_cast<unsigned long *>(value)) == pid)
                found.append(children[i]);
            XFree(value);
        }
    }
    if (children)
        XFree(children);
    return found;
}

void raiseWindow(unsigned long window)
{
    DisplayConnection x;
    if (!x.display)
        return;
    XRaiseWindow(x.display, window);
    XSync(x.display, False);
}

bool sendDeleteWindow(unsigned long window)
{
    DisplayConnection x;
    if (!x.display)
        return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x.display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(x.display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x.display, window, False, NoEventMask, &event) != 0;
    XSync(x.display, False);
    return sent;
}

} // namespace
