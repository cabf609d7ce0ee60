// Turns CHANGELOG.md into what the Debian package takes from it: the Debian
// changelog of a native package, and the release list of the AppStream
// metadata. A build step, not a shipped program.
//   changelog_to_package debian CHANGELOG.md VERSION "NAME <ADDRESS>" OUT
//   changelog_to_package appstream CHANGELOG.md VERSION TEMPLATE OUT
// The first form writes the Debian changelog; the second writes TEMPLATE with
// its empty <releases/> element filled in.
//
// CHANGELOG.md holds, after an introduction, a heading "## VERSION -
// YYYY-MM-DD" per version, newest first, the newest being the version built;
// under each, items "- text" whose further lines are indented by two blanks,
// no line longer than 76 characters (a Debian changelog line is at most 80).
// Any other line stops the step with its number and what was expected.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kLongestLine = 76;

struct Release {
    std::string version;
    std::string date;  // YYYY-MM-DD
    std::chrono::year_month_day day;
    std::vector<std::vector<std::string>> items;  // each item's lines
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(path + ": cannot be read");
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Characters, not bytes: a UTF-8 continuation byte starts no character.
std::size_t Characters(const std::string& line) {
    std::size_t count = 0;
    for (const unsigned char c : line) {
        count += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

bool ParseDate(const std::string& text, std::chrono::year_month_day& day) {
    int y = 0;
    unsigned m = 0, d = 0;
    char tail = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &y, &m, &d, &tail) != 3) {
        return false;
    }
    day = std::chrono::year_month_day(std::chrono::year(y), std::chrono::month(m),
                                      std::chrono::day(d));
    return day.ok();
}

std::vector<Release> ParseChangelog(const std::string& path, const std::string& version) {
    std::vector<Release> releases;
    std::istringstream in(ReadFile(path));
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const auto fail = [&](const std::string& what) {
            throw std::runtime_error(path + ":" + std::to_string(number) + ": " + what);
        };
        if (line.rfind("## ", 0) == 0) {
            Release release;
            const std::size_t dash = line.find(" - ");
            release.version = line.substr(3, dash == std::string::npos ? 0 : dash - 3);
            release.date = dash == std::string::npos ? "" : line.substr(dash + 3);
            if (release.version.empty() || release.version.find(' ') != std::string::npos ||
                !ParseDate(release.date, release.day)) {
                fail("a version heading is \"## VERSION - YYYY-MM-DD\"");
            }
            if (releases.empty() && release.version != version) {
                fail("the newest version is " + release.version + ", the build's is " + version);
            }
            releases.push_back(std::move(release));
            continue;
        }
        if (releases.empty() || line.empty()) {
            continue;  // the introduction, or a blank line between items
        }
        if (Characters(line) > kLongestLine) {
            fail("a line is at most " + std::to_string(kLongestLine) + " characters");
        }
        std::vector<std::vector<std::string>>& items = releases.back().items;
        if (line.rfind("- ", 0) == 0) {
            items.push_back({line.substr(2)});
        } else if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ' &&
                   !items.empty()) {
            items.back().push_back(line.substr(2));
        } else {
            fail("an item begins with \"- \" and goes on in lines indented by two blanks");
        }
    }
    if (releases.empty()) {
        throw std::runtime_error(path + ": no \"## VERSION - YYYY-MM-DD\" heading");
    }
    for (const Release& release : releases) {
        if (release.items.empty()) {
            throw std::runtime_error(path + ": version " + release.version + " has no item");
        }
    }
    return releases;
}

// As Debian changelogs date an entry: "Mon, 07 Dec 2026 00:00:00 +0000".
std::string DebianDate(const std::chrono::year_month_day& day) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::chrono::weekday weekday{std::chrono::sys_days(day)};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d 00:00:00 +0000", kDays[weekday.c_encoding()],
                  static_cast<unsigned>(day.day()), kMonths[static_cast<unsigned>(day.month()) - 1],
                  static_cast<int>(day.year()));
    return text;
}

std::string DebianChangelog(const std::vector<Release>& releases, const std::string& maintainer) {
    std::string text;
    for (const Release& release : releases) {
        text += "torvane (" + release.version + ") unstable; urgency=medium\n\n";
        for (const std::vector<std::string>& item : release.items) {
            for (std::size_t i = 0; i < item.size(); ++i) {
                text += (i == 0 ? "  * " : "    ") + item[i] + "\n";
            }
        }
        text += "\n -- " + maintainer + "  " + DebianDate(release.day) + "\n\n";
    }
    text.pop_back();  // one line break at the end
    return text;
}

std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string AppStreamReleases(const std::vector<Release>& releases) {
    std::string xml = "<releases>\n";
    for (const Release& release : releases) {
        xml += "    <release version=\"" + XmlEscaped(release.version) + "\" date=\"" +
               release.date + "\">\n      <description>\n        <ul>\n";
        for (const std::vector<std::string>& item : release.items) {
            std::string joined;
            for (const std::string& line : item) {
                joined += (joined.empty() ? "" : " ") + line;
            }
            xml += "          <li>" + XmlEscaped(joined) + "</li>\n";
        }
        xml += "        </ul>\n      </description>\n    </release>\n";
    }
    return xml + "  </releases>";
}

std::string FilledTemplate(const std::string& path, const std::string& releases) {
    std::string text = ReadFile(path);
    const std::string placeholder = "<releases/>";
    const std::size_t at = text.find(placeholder);
    if (at == std::string::npos) {
        throw std::runtime_error(path + ": no " + placeholder + " to fill in");
    }
    return text.replace(at, placeholder.size(), releases);
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << text) || !out.flush()) {
        out.close();
        std::remove(path.c_str());
        throw std::runtime_error(path + ": cannot be written");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() != 5 || (args[0] != "debian" && args[0] != "appstream")) {
        std::fputs(
            "usage: changelog_to_package debian CHANGELOG.md VERSION MAINTAINER OUT\n"
            "       changelog_to_package appstream CHANGELOG.md VERSION TEMPLATE OUT\n",
            stderr);
        return 2;
    }
    try {
        const std::vector<Release> releases = ParseChangelog(args[1], args[2]);
        WriteFile(args[4], args[0] == "debian"
                               ? DebianChangelog(releases, args[3])
                               : FilledTemplate(args[3], AppStreamReleases(releases)));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "changelog_to_package: %s\n", error.what());
        return 2;
    }
    return 0;
}
