#include "host/cli/scene_diff.h"

#include "host/cli/words.h"
#include "host/documents.h"
#include "host/scene_file.h"

namespace host {

SceneSnapshot TakeSnapshot(const Document& document) {
    SceneSnapshot snapshot;
    for (int32_t place = 0; place < document.PlaceCount(); ++place) {
        PlaceState state;
        if (const Object* object = document.ObjectAt(place)) {
            state.empty = false;
            state.name = object->name();
            state.visible = object->visible();
        }
        snapshot.push_back(state);
    }
    return snapshot;
}

std::string DescribeChanges(const SceneSnapshot& before, const SceneSnapshot& after) {
    std::string line = "scene:";
    bool changed = false;
    for (size_t place = 0; place < after.size() && place < before.size(); ++place) {
        const PlaceState& was = before[place];
        const PlaceState& now = after[place];
        if (was.empty || now.empty || was.visible == now.visible) continue;
        line += changed ? ", " : " ";
        line += Quoted(Utf8FromHostText(now.name));
        line += now.visible ? " shown" : " hidden";
        changed = true;
    }
    return changed ? line : "scene: no change";
}

}  // namespace host
