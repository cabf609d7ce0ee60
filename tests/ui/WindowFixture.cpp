#include "tests/ui/WindowFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <filesystem>

#include "core/Settings.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

void WindowFixture::SetUp() {
    ASSERT_TRUE(root.isValid());
    previousFolder = QDir::currentPath();
    programFolder = root.path().toStdString() + "/program folder/";
    userFolder = root.path().toStdString() + "/config/torvane/";
    workFolder = root.path().toStdString() + "/work";
    fs::create_directories(programFolder);
    fs::create_directories(workFolder);
    QDir::setCurrent(QString::fromStdString(workFolder));
}

void WindowFixture::TearDown() {
    CloseWindows();
    QDir::setCurrent(previousFolder);
}

std::string BuiltToolsFolder() {
    const QString named = qEnvironmentVariable("TORVANE_TEST_TOOLS");
    return named.isEmpty() ? std::string(TORVANE_BIN_DIR) : named.toStdString();
}

void WindowFixture::InstallTools() {
    const std::string bin = BuiltToolsFolder();
    for (const std::string_view tool : {torvane::kIdentifyToolName, torvane::kExtractToolName}) {
        const std::string name = torvane::ToolFileName(tool);
        ASSERT_TRUE(fs::exists(bin + "/" + name)) << name << " is not built in " << bin;
        // Windows (Wine) has no symbolic links for the tests to make.
        std::error_code linkError;
        fs::create_symlink(bin + "/" + name, programFolder + name, linkError);
        if (linkError) {
            fs::create_hard_link(bin + "/" + name, programFolder + name);
        }
    }
}

void ToolsFixture::SetUp() {
    WindowFixture::SetUp();
    ASSERT_NO_FATAL_FAILURE(InstallTools());
    WriteSettings("English\r\n");
}

// A build that did not make the tools shows failed window tests, never
// green ones: this test program, run again without them, fails each kind of
// test that needs them.
TEST(BuiltTools, WithoutThemTheTestsThatNeedThemFail) {
    // One of each kind, of those this build compiled (Windows builds a part
    // of the suite).
    const QStringList kinds = {
        QStringLiteral("ExtractionTest.PreviewsAloneStartNoToolAndFollowTheChapterFormat"),
        QStringLiteral("LayoutTest.EnterPressesTheFocusedButtonElseExtractWhenEnabled"),
        QStringLiteral("DefaultFormats.RealListingLinesOfTheCodecFixturesNeedNoQuestion")};
    QStringList needing;
    const testing::UnitTest& program = *testing::UnitTest::GetInstance();
    for (int s = 0; s < program.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *program.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const QString name = QLatin1String(suite.name()) + QLatin1Char('.') +
                                 QLatin1String(suite.GetTestInfo(t)->name());
            if (kinds.contains(name)) {
                needing.append(name);
            }
        }
    }
    ASSERT_FALSE(needing.isEmpty());
    QTemporaryDir empty;
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TORVANE_TEST_TOOLS"), empty.path());
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=") + needing.join(QLatin1Char(':'))});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString output = QString::fromUtf8(run.readAll());
    EXPECT_NE(run.exitCode(), 0) << output.toStdString();
    for (const QString& test : needing) {
        EXPECT_TRUE(output.contains(QStringLiteral("[  FAILED  ] ") + test))
            << test.toStdString() << "\n"
            << output.toStdString();
    }
}

void WindowFixture::PlaceToolStandIns(bool ostrem, bool quarvel) {
    if (ostrem) {
        WriteFile(programFolder + torvane::ToolFileName(torvane::kIdentifyToolName), "");
    }
    if (quarvel) {
        WriteFile(programFolder + torvane::ToolFileName(torvane::kExtractToolName), "");
    }
}

std::string WindowFixture::Fixture(const std::string& relative) const {
    const std::string folder = root.path().toStdString() + "/my films/";
    fs::create_directories(folder);
    const std::string target = folder + fs::path(relative).filename().string();
    fs::copy_file(std::string(TORVANE_FIXTURES_DIR) + "/" + relative, target,
                  fs::copy_options::overwrite_existing);
    return target;
}

void WindowFixture::Choose(const std::string& path) {
    dialogs.files.push_back(QString::fromStdString(path));
    Find<QPushButton>("Button1")->click();
}

void WindowFixture::WriteSettings(const std::string& bytes) {
    WriteFile(SettingsPath(), bytes);
}

std::string WindowFixture::ReadFile(const std::string& path) const {
    return torvane::testsupport::ReadBytes(path);
}

void WindowFixture::WriteFile(const std::string& path, const std::string& bytes) const {
    torvane::testsupport::WriteBytes(path, bytes);
}

void WindowFixture::MakeWindows() {
    windows = std::make_unique<TProgramWindows>(dialogs, programFolder, userFolder,
                                                torvane::SettingsFile(SettingsPath()));
    mainWindow = &windows->mainWindow;
    newFormatDialog = &windows->newFormatDialog;
    spanishAbout = &windows->spanishAbout;
    englishAbout = &windows->englishAbout;
}

void WindowFixture::CloseWindows() {
    windows.reset();
    mainWindow = nullptr;
    newFormatDialog = nullptr;
    spanishAbout = nullptr;
    englishAbout = nullptr;
}

void WindowFixture::Show() {
    if (!mainWindow) {
        MakeWindows();
    }
    mainWindow->show();
}
