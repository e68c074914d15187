#include "host/session/scene_diff.h"

#include "host/binds/documents.h"
#include "host/files/scene_file.h"
#include "host/session/words.h"

namespace host {

SceneSnapshot TakeSnapshot(const Document& document) {
    SceneSnapshot snapshot(static_cast<size_t>(document.PlaceCount()));
    for (int32_t place = 0; place < document.PlaceCount(); ++place) {
        if (const Object* object = document.ObjectAt(place)) {
            snapshot[static_cast<size_t>(place)] = PlaceState{object, object->visible()};
        }
    }
    return snapshot;
}

std::string DescribeChanges(const SceneSnapshot& before, const SceneSnapshot& after) {
    std::vector<size_t> changed;
    size_t shown = 0;
    for (size_t place = 0; place < after.size() && place < before.size(); ++place) {
        const PlaceState& was = before[place];
        const PlaceState& now = after[place];
        if (was.object == nullptr || now.object == nullptr || was.visible == now.visible) continue;
        changed.push_back(place);
        if (now.visible) ++shown;
    }
    if (changed.empty()) return "scene: no change";
    std::string line = "scene:";
    if (changed.size() > kChangesNamed) {
        line += ' ';
        line += std::to_string(changed.size());
        line += " objects changed (";
        line += std::to_string(shown);
        line += " shown, ";
        line += std::to_string(changed.size() - shown);
        line += " hidden), the first ";
        line += std::to_string(kChangesNamed);
        line += ':';
    }
    for (size_t i = 0; i < changed.size() && i < kChangesNamed; ++i) {
        const PlaceState& now = after[changed[i]];
        line += i == 0 ? " " : ", ";
        line += Quoted(Utf8FromHostText(now.object->name()));
        line += now.visible ? " shown" : " hidden";
    }
    if (changed.size() > kChangesNamed) line += ", and " + std::to_string(changed.size() - kChangesNamed) + " more";
    return line;
}

}  // namespace host
