// What the plug-in keeps: its element of each document, and its settings. Whatever it
// saves it must read back as it was: saved again, the same element comes out, with
// nothing lost and nothing invented. Elements are compared in a canonical form in which
// the order among consecutive childless siblings does not count (a set of names may come
// out in any order), while the order of elements that hold others does (the third list
// stays the third). A mismatch leaves both forms in files to compare.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/binds/settings.h"
#include "host/binds/xml.h"
#include "host/files/xml_file.h"
#include "host/validate/checks/station.h"

namespace host::validate {
namespace {

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '<' || c == '>' || c == '&' || c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// One element per line, indented, leaf runs sorted.
std::string Canonical(const XmlElement& element, int depth = 0) {
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    line.append("<").append(element.Name());
    for (const XmlElement::Attribute& attribute : element.Attributes()) {
        line.append(" ").append(attribute.first).append("=\"").append(Escaped(attribute.second)).append("\"");
    }
    line.append(">").append(Escaped(element.Text())).append("\n");
    std::vector<std::string> leaves;
    auto flush = [&] {
        std::sort(leaves.begin(), leaves.end());
        for (const std::string& leaf : leaves) line += leaf;
        leaves.clear();
    };
    for (const XmlElement* child = element.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child->FirstChild() == nullptr) {
            leaves.push_back(Canonical(*child, depth + 1));
        } else {
            flush();
            line += Canonical(*child, depth + 1);
        }
    }
    flush();
    return line;
}

std::string Canonical(const std::string& text) {
    std::string error;
    std::unique_ptr<XmlElement> element = ParseXml(text, &error);
    return element != nullptr ? Canonical(*element) : "(unreadable: " + error + ")";
}

// Fails `rule` when `actual` is not `expected` in the canonical form, leaving both in
// files of the temporary folder and naming them with the first line that differs.
void RequireSame(FindingId rule, const std::string& where, const std::string& expected,
                 const std::string& actual, const Setting& setting) {
    std::string want = Canonical(expected), got = Canonical(actual);
    if (want == got) return;
    size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
    size_t line_start = want.rfind('\n', at == 0 ? 0 : at - 1);
    line_start = line_start == std::string::npos ? 0 : line_start + 1;
    auto line_of = [&](const std::string& text) {
        std::string line = text.substr(line_start, text.find('\n', line_start) - line_start);
        size_t first = line.find_first_not_of(' ');
        return first == std::string::npos ? std::string("(nothing)") : line.substr(first);
    };
    std::string name = rule.id();
    std::replace(name.begin(), name.end(), '/', '.');
    std::filesystem::path base = std::filesystem::temp_directory_path() /
                                 ("pellucid-validate-" + name + "-" + std::to_string(setting.seed));
    std::ofstream(base.string() + ".expected") << want;
    std::ofstream(base.string() + ".actual") << got;
    Fail(rule, where + ": " + line_of(want) + " came back as " + line_of(got) + " (both in " + base.string() +
                   ".expected and .actual)");
}

// Random states, reached by random gestures on random documents, saved; loaded back into a
// restarted plug-in and saved again, and loaded into a second document beside the first.
void DocumentRoundTrip(const Setting& setting) {
    Station station(setting);
    station.Start();
    station.Activate(1);
    int documents = setting.Scaled(2, 20);
    int steps = setting.Scaled(10, 100);
    for (int round = 1; round <= documents; ++round) {
        Document& document = station.NewDocument(true);
        for (int step = 0; step < steps; ++step) {
            if (station.Pick(6) == 0) station.ChangeDocument();
            station.Gesture();
            station.NoBreach("a gesture");
        }
        std::string saved = station.Save(document);
        std::string where = "document " + std::to_string(round);

        station.Load(document, saved);
        std::string again = station.Save(document);
        RequireSame("documents/round-trip", where + ", loaded and saved again", saved, again, setting);

        station.Exit();
        station.Start();
        station.Activate(1);
        station.Load(station.document(), saved);
        std::string restarted = station.Save(station.document());
        RequireSame("documents/round-trip", where + ", loaded into the restarted plug-in and saved", saved, restarted,
                    setting);
    }
    station.Exit();
}

std::string SettingsText() { return WriteXml(SettingsRoot()); }

void SettingsRoundTrip(const Setting& setting) {
    Station station(setting);
    // The host's settings file, missing at first as at a first start.
    std::string file = (std::filesystem::temp_directory_path() /
                        ("pellucid-validate-settings-" + std::to_string(setting.seed) + ".xml")).string();
    std::filesystem::remove(file);
    LoadSettings(file);
    station.Start();
    station.Activate(1);
    for (int step = 0; step < setting.Scaled(10, 100); ++step) {
        station.Gesture();
        station.NoBreach("a gesture");
    }
    station.Exit();
    std::string written = SettingsText();

    station.Start();
    station.Exit();
    std::string again = SettingsText();
    RequireSame("settings/round-trip", "read at a start and written at the exit", written, again, setting);

    // Through the file, as from one run of the host to the next.
    std::string error;
    bool saved = SaveSettings(&error);
    if (saved) LoadSettings(file);
    std::filesystem::remove(file);
    Require(saved, "settings/unwritable", "the host could not write " + file + ": " + error);
    station.Start();
    station.Exit();
    std::string through_file = SettingsText();
    RequireSame("settings/round-trip", "through the settings file", written, through_file, setting);
}

void SettingsNotOffered(const Setting& setting) {
    Station station(setting);
    OfferSettings(false);
    station.Start();
    station.Activate(1);
    Require(!station.ShownWindows().empty(), "lifecycle/no-window", "without settings, activation shows no window");
    station.Exit();
    station.Start();
    station.Exit();
}

}  // namespace

std::vector<Check> RoundTripChecks() {
    return {
        {"documents.round-trip",
         "random states of random documents (2 to 20) saved, loaded back, also into a restarted plug-in, and saved "
         "again give the same element",
         3, true, DocumentRoundTrip, 2},
        {"settings.round-trip",
         "the settings written at the exit, read at the next start and written again, also through the file, stay "
         "the same",
         3, true, SettingsRoundTrip, 2},
        {"settings.not-offered", "without the host's settings (message 505 unanswered) the plug-in starts, shows and "
         "stops", 3, false, SettingsNotOffered},
    };
}

}  // namespace host::validate
