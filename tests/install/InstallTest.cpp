// Torvane as a user meets it. Installed with DESTDIR into a temporary root,
// its program folder read-only, it is started through the launcher in a fresh
// home on Qt's offscreen platform, its window worked by the driver plugin
// (Driver.cpp) as a user would work it. The Debian package is built and read
// back.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/EbmlWriter.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using torvane::testsupport::ProgramRun;
using torvane::testsupport::ReadBytes;
using torvane::testsupport::RunOptions;
using torvane::testsupport::RunProgram;
using torvane::testsupport::TempDir;
using torvane::testsupport::WriteBytes;

namespace {

// Root cannot be kept out of a read-only folder, so as root the installed
// programs run as nobody, to whom the program folder is as closed as /usr/lib
// is to any user.
constexpr uid_t kNobody = 65534;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& head) {
    std::vector<std::string> found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
                 [&](const std::string& line) { return line.rfind(head, 0) == 0; });
    return found;
}

// What one start of the window did: how it ended and what the driver saw.
struct Session {
    ProgramRun run;
    std::vector<std::string> report;
};

class Installed : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::permissions(root_.Path(), fs::perms::owner_all | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
        const ProgramRun install =
            RunProgram(CMAKE_COMMAND_PATH, {"--install", TORVANE_BUILD_DIR, "--prefix", "/usr"},
                       {.env = {"DESTDIR=" + root_.Path()}});
        ASSERT_EQ(install.status, 0) << install.out << install.err;
        // The program folder read-only, as a system install leaves it: its
        // files too, for a writable file is rewritten in place.
        for (const auto& entry : fs::recursive_directory_iterator(ProgramFolder())) {
            fs::permissions(
                entry.path(),
                fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove);
        }
        fs::permissions(ProgramFolder(), fs::perms::owner_read | fs::perms::owner_exec |
                                             fs::perms::group_read | fs::perms::group_exec |
                                             fs::perms::others_read | fs::perms::others_exec);
        home_ = root_.File("home/ana");
        MakeUsersFolder(home_);
        PlaceDriver();
    }

    // The driver plugin where the user the window runs as can load it: the
    // build tree may lie in a folder only its owner may enter (mktemp -d
    // makes one, as do many home folders). Skips, saying why, where the
    // temporary folder itself is closed to that user.
    void PlaceDriver() {
        driverFolder_ = root_.File("driver");
        const std::string generic = driverFolder_ + "/generic";
        fs::create_directories(generic);
        for (const auto& entry :
             fs::directory_iterator(std::string(TORVANE_DRIVER_DIR) + "/generic")) {
            fs::copy_file(entry.path(), generic + "/" + entry.path().filename().string());
        }
        const ProgramRun probe = RunAsUser("/bin/sh", {"-c", "test -r \"$1\"", "sh", generic}, {});
        if (probe.status != 0) {
            GTEST_SKIP() << "the window's user cannot enter " << root_.Path()
                         << "; give TMPDIR a folder everyone may enter";
        }
    }

    std::string Prefix() const { return root_.File("usr"); }
    std::string ProgramFolder() const { return Prefix() + "/lib/torvane/"; }

    // A folder the user who runs the programs owns.
    static void MakeUsersFolder(const std::string& folder) {
        fs::create_directories(folder);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
        }
    }

    // A fixture copied where the user can read it; gives its path.
    std::string Fixture(const std::string& relative) const {
        const std::string target = home_ + "/" + fs::path(relative).filename().string();
        fs::copy_file(std::string(TORVANE_FIXTURES_DIR) + "/" + relative, target,
                      fs::copy_options::overwrite_existing);
        return target;
    }

    // Runs an installed program as the user, with PATH leading to PREFIX/bin.
    ProgramRun RunAsUser(std::string program, std::vector<std::string> args,
                         std::vector<std::string> env, const std::string& folder = {}) const {
        if (::geteuid() == 0) {
            args.insert(args.begin(),
                        {"--reuid=65534", "--regid=65534", "--clear-groups", "--", program});
            program = "/usr/bin/setpriv";
        }
        // The caller's variables come last, so they win.
        env.insert(env.begin(), {"HOME=" + home_, "PATH=" + Prefix() + "/bin:/usr/bin:/bin",
                                 "XDG_CONFIG_HOME=", "XDG_CACHE_HOME=", "LC_ALL=", "LC_MESSAGES="});
        return RunProgram(program, args, {.env = env, .timeoutSeconds = 120, .folder = folder});
    }

    // Starts the window through the launcher, on Qt's offscreen platform,
    // worked by the driver plugin from the steps given.
    Session StartWindow(const std::vector<std::string>& steps,
                        std::vector<std::string> env = {"LANG=C.UTF-8"},
                        const std::vector<std::string>& args = {}, const std::string& folder = {}) {
        const std::string script = home_ + "/driver-script";
        const std::string report = home_ + "/driver-report";
        std::string text;
        for (const std::string& step : steps) {
            text += step + "\n";
        }
        WriteBytes(script, text);
        fs::remove(report);
        env.insert(env.end(), {"QT_QPA_PLATFORM=offscreen", "QT_PLUGIN_PATH=" + driverFolder_,
                               "QT_QPA_GENERIC_PLUGINS=torvanedriver:" + script,
                               "TORVANE_DRIVER_REPORT=" + report});
        Session session;
        session.run = RunAsUser(Prefix() + "/bin/torvane", args, env, folder);
        session.report = Lines(ReadBytes(report));
        return session;
    }

    // The window ended by itself, as closing it ends the program.
    static void ExpectEndedWell(const Session& session) {
        std::string report;
        for (const std::string& line : session.report) {
            report += line + "\n";
        }
        EXPECT_EQ(session.run.status, 0) << report << session.run.err;
        EXPECT_FALSE(session.run.timedOut) << report << session.run.err;
        ASSERT_FALSE(session.report.empty()) << session.run.err;
        EXPECT_EQ(session.report.back(), "quit") << report;
    }

    TempDir root_;
    std::string home_;
    std::string driverFolder_;
};

TEST_F(Installed, TheLauncherMakesTheSettingsFileFromTheLocaleAndTheWindowStartsWithoutABox) {
    struct Case {
        const char* lang;
        std::string configHome;  // empty: unset
        std::string settings;
        const char* word;
    };
    const std::string cfg = home_ + "/cfg";
    for (const Case& c : {Case{"C.UTF-8", "", home_ + "/.config/torvane/Torvane.cfg", "English"},
                          Case{"es_ES.UTF-8", cfg, cfg + "/torvane/Torvane.cfg", "Castellano"}}) {
        SCOPED_TRACE(c.lang);
        const Session session =
            StartWindow({"window", "close"},
                        {std::string("LANG=") + c.lang, "XDG_CONFIG_HOME=" + c.configHome});
        EXPECT_EQ(Starting(session.report, "box:"), std::vector<std::string>{});
        ExpectEndedWell(session);
        EXPECT_EQ(ReadBytes(c.settings), std::string(c.word) + "\r\n");
    }
}

TEST_F(Installed, ANewCodecAnsweredInTheDialogIsStillKnownAfterARestart) {
    using namespace ebmltest;
    const std::string source = home_ + "/layer one.mka";
    const Bytes file = Cat({EbmlHeader(), Segment({Info(), Tracks({TrackEntry(1, 2, "A_MPEG/L1")}),
                                                   Cluster(0, {SimpleBlock(1, 0, {1, 2, 3})})})});
    WriteBytes(source, std::string(file.begin(), file.end()));
    const std::string defaults = ReadBytes(ProgramFolder() + "Formats.txt");

    // Answered, then Exit confirmed. The user's folder follows XDG_CONFIG_HOME.
    const std::vector<std::string> env = {"LANG=C.UTF-8", "XDG_CONFIG_HOME=" + home_ + "/cfg"};
    Session session = StartWindow({"window", "choose " + source, "items", "tick Track ID 1",
                                   "answer mp1", "tracks", "trigger Salir1"},
                                  env);
    ExpectEndedWell(session);
    EXPECT_EQ(Starting(session.report, "box:"),
              std::vector<std::string>{"box:           Exit: ¿Really want to exit?"});
    ASSERT_EQ(Starting(session.report, "tracks:").size(), 1u);
    EXPECT_NE(Starting(session.report, "tracks:")[0].find(" 1:Track1.mp1 "), std::string::npos);
    EXPECT_EQ(ReadBytes(home_ + "/cfg/torvane/Formats.txt"), "(A_MPEG/L1) mp1\r\n");
    EXPECT_EQ(ReadBytes(ProgramFolder() + "Formats.txt"), defaults);

    // Known after the restart; closed by the title bar's close button.
    session = StartWindow(
        {"window", "choose " + source, "items", "tick Track ID 1", "tracks", "close"}, env);
    ExpectEndedWell(session);
    EXPECT_EQ(Starting(session.report, "new-format:"), std::vector<std::string>{});
    EXPECT_EQ(Starting(session.report, "box:"), std::vector<std::string>{});
    ASSERT_EQ(Starting(session.report, "tracks:").size(), 1u);
    EXPECT_NE(Starting(session.report, "tracks:")[0].find(" 1:Track1.mp1 "), std::string::npos);
}

TEST_F(Installed, AFileNamedOnTheCommandLineIsReadAsIfChosenAndHelpOpensTheGuideOfTheLanguage) {
    const std::string source = Fixture("full.mkv");
    const Session chosen =
        StartWindow({"window", "choose " + source, "items", "trigger wwwsite1", "close"});
    ExpectEndedWell(chosen);
    const std::vector<std::string> items = Starting(chosen.report, "items:");
    ASSERT_EQ(items.size(), 1u);
    const std::string page = Prefix() + "/share/doc/torvane/README.html";
    EXPECT_EQ(Starting(chosen.report, "url:"), std::vector<std::string>{"url: file://" + page});
    EXPECT_TRUE(fs::is_regular_file(page));

    const Session spanish = StartWindow({"window", "trigger wwwsite1", "close"},
                                        {"LANG=es_ES.UTF-8", "XDG_CONFIG_HOME=" + home_ + "/es"});
    ExpectEndedWell(spanish);
    const std::string guide = Prefix() + "/share/doc/torvane/README.es.html";
    EXPECT_EQ(Starting(spanish.report, "url:"), std::vector<std::string>{"url: file://" + guide});
    EXPECT_TRUE(fs::is_regular_file(guide));

    // Named relative to where the user stands, as a shell gives it.
    const Session named =
        StartWindow({"window", "items", "close"}, {"LANG=C.UTF-8"}, {"full.mkv"}, home_);
    ExpectEndedWell(named);
    EXPECT_EQ(Starting(named.report, "items:"), items);
}

// The text of a page or of a help as one line: blanks run together, and words
// that the page's layout hyphenated at a line's end joined again.
std::string Flattened(const std::string& text) {
    const std::string hyphenBreak = "\u2010\n";
    std::string flat;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, hyphenBreak.size(), hyphenBreak) == 0) {
            i = text.find_first_not_of(' ', i + hyphenBreak.size()) - 1;
        } else if (std::isspace(static_cast<unsigned char>(text[i])) != 0) {
            if (!flat.empty() && flat.back() != ' ') {
                flat += ' ';
            }
        } else {
            flat += text[i];
        }
    }
    if (!flat.empty() && flat.back() == ' ') {
        flat.pop_back();
    }
    return flat;
}

// Asked only for its help or version, the window needs no display and makes
// no user folder; each program's manual page renders without a warning and
// holds every line its --help prints, but for headings such as "Options:".
TEST_F(Installed, TorvaneAnswersHelpAndVersionWithoutAWindowAndEachManualPageSaysWhatItsHelpSays) {
    const std::vector<std::string> noDisplay = {
        "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "LANG=C.UTF-8"};
    const ProgramRun version = RunAsUser(Prefix() + "/bin/torvane", {"--version"}, noDisplay);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "torvane " TORVANE_VERSION "\n");
    for (const std::string program : {"torvane", "ostrem", "quarvel"}) {
        SCOPED_TRACE(program);
        const ProgramRun help = RunAsUser(Prefix() + "/bin/" + program, {"--help"}, noDisplay);
        ASSERT_EQ(help.status, 0) << help.err;
        const ProgramRun page = RunProgram(
            "/usr/bin/man", {"--warnings", "-l", Prefix() + "/share/man/man1/" + program + ".1.gz"},
            {.env = {"MANWIDTH=80", "LANG=C.UTF-8", "MANOPT=", "MAN_KEEP_FORMATTING="}});
        EXPECT_EQ(page.status, 0);
        EXPECT_EQ(page.err, "");
        const std::string text = Flattened(page.out);
        for (std::string line : Lines(help.out)) {
            line = Flattened(line);
            if (line.rfind("Usage: ", 0) == 0) {
                line.erase(0, 7);
            }
            if (line.empty() || (line.back() == ':' && line.find(' ') == std::string::npos)) {
                continue;
            }
            EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << page.out;
        }
    }
    EXPECT_FALSE(fs::exists(home_ + "/.config"));
}

// The batch from a shell, by a rule saved in the window: the paths read
// where the user stands, the outputs land there too, and no display or user
// folder is needed.
TEST_F(Installed, TheBatchRunsFromTheShellWithoutAWindowOnPathsRelativeToWhereItStarts) {
    const std::string work = home_ + "/work";
    MakeUsersFolder(work);
    MakeUsersFolder(work + "/season");
    fs::copy_file(std::string(TORVANE_FIXTURES_DIR) + "/subs.mks", work + "/season/subs.mks");
    WriteBytes(work + "/subtitles.rule", "torvane batch rule 1\nsubtitles = yes\n");
    const ProgramRun batch = RunAsUser(
        Prefix() + "/bin/torvane", {"--batch", "subtitles.rule", "season", "--output", "out"},
        {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "LANG=C.UTF-8"}, work);
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out,
              "1 done, 0 with warnings, 0 failed, 0 cancelled, 0 skipped.\n\nsubs.mks: done\n");
    EXPECT_TRUE(fs::exists(work + "/out/subs/Track1.ass"));
    EXPECT_FALSE(fs::exists(home_ + "/.config"));
}

TEST_F(Installed, OstremAndQuarvelWorkFromThePath) {
    const std::string source = Fixture("codecs/vorbis.mka");
    const ProgramRun listing = RunAsUser("/bin/sh", {"-c", "ostrem -i \"$1\"", "sh", source}, {});
    EXPECT_EQ(listing.status, 0) << listing.err;
    EXPECT_NE(listing.out.find("Track ID 1: audio (A_VORBIS)"), std::string::npos) << listing.out;

    // Vorbis goes to Ogg through the muxing module, found in the program folder.
    const std::string out = home_ + "/Track1.ogg";
    const ProgramRun tracks =
        RunAsUser("/bin/sh", {"-c", "quarvel tracks \"$1\" 1:\"$2\"", "sh", source, out}, {});
    EXPECT_EQ(tracks.status, 0) << tracks.err;
    EXPECT_EQ(ReadBytes(out).substr(0, 4), "OggS");
}

// The package as Debian expects it is checked by lintian in CI; here, what it
// holds.
TEST(DebianPackage, HoldsTheProgramFolderLauncherDocumentsAndMetadataButNoScriptOrTestProgram) {
    TempDir work;
    const std::string config = TORVANE_BUILD_DIR "/CPackConfig.cmake";
    const ProgramRun pack =
        RunProgram(CPACK_COMMAND_PATH, {"-G", "DEB", "--config", config, "-B", work.Path()});
    ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
    const ProgramRun arch = RunProgram("/usr/bin/dpkg", {"--print-architecture"});
    const std::string deb =
        work.File("torvane_" TORVANE_VERSION "_" + Lines(arch.out).at(0) + ".deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << pack.out;

    const ProgramRun info = RunProgram("/usr/bin/dpkg-deb", {"--field", deb});
    EXPECT_EQ(info.status, 0) << info.err;
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): the version joined on purpose
    for (const char* field : {"Package: torvane\n", "Version: " TORVANE_VERSION "\n",
                              "libqt6widgets6", "libavformat", "libc6", "qt6-translations-l10n"}) {
        EXPECT_NE(info.out.find(field), std::string::npos) << field << "\n" << info.out;
    }

    const ProgramRun contents = RunProgram("/usr/bin/dpkg-deb", {"--contents", deb});
    ASSERT_EQ(contents.status, 0) << contents.err;
    std::set<std::string> paths, programFolder;
    for (const std::string& line : Lines(contents.out)) {
        // "MODE OWNER SIZE DATE TIME ./PATH[ -> TARGET]"
        std::string path = line.substr(line.find(" ./") + 3);
        path = path.substr(0, path.find(" -> "));
        paths.insert(path);
        if (path.rfind("usr/lib/torvane/", 0) == 0 && path.size() > 16) {
            programFolder.insert(path.substr(16));
        }
    }
    EXPECT_EQ(programFolder, (std::set<std::string>{"torvane", "ostrem", "quarvel",
                                                    "libquarvel_mux.so", "Formats.txt"}));
    for (const char* path :
         {"usr/bin/torvane", "usr/bin/ostrem", "usr/bin/quarvel",
          // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): the id joined on purpose
          "usr/share/applications/" TORVANE_APP_ID ".desktop",
          "usr/share/metainfo/" TORVANE_APP_ID ".metainfo.xml",
          "usr/share/icons/hicolor/48x48/apps/torvane.png",
          "usr/share/icons/hicolor/scalable/apps/torvane.svg", "usr/share/man/man1/torvane.1.gz",
          "usr/share/man/man1/ostrem.1.gz", "usr/share/man/man1/quarvel.1.gz",
          "usr/share/doc/torvane/README.html", "usr/share/doc/torvane/README.es.html",
          "usr/share/doc/torvane/docs/main-es-page1.png", "usr/share/doc/torvane/copyright",
          "usr/share/doc/torvane/changelog.gz"}) {
        EXPECT_EQ(paths.count(path), 1u) << path;
    }
    for (const std::string& path : paths) {
        EXPECT_EQ(path.find("test"), std::string::npos) << path;
        EXPECT_EQ(path.find("bench"), std::string::npos) << path;
    }

    // No maintainer script: the muxing module is private and needs no
    // ldconfig, so removing the package leaves nothing behind.
    const ProgramRun control =
        RunProgram("/usr/bin/dpkg-deb", {"--control", deb, work.File("control")});
    ASSERT_EQ(control.status, 0) << control.err;
    std::set<std::string> controlFiles;
    for (const auto& entry : fs::directory_iterator(work.File("control"))) {
        controlFiles.insert(entry.path().filename().string());
    }
    EXPECT_EQ(controlFiles, (std::set<std::string>{"control", "md5sums"}));
}

}  // namespace
