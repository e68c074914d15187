// The commands of pellucid-host on the scene: listing it, showing, hiding, renaming and
// deleting objects, and saving and loading the scene file.
#include <filesystem>
#include <system_error>

#include "host/session/session.h"
#include "host/session/words.h"

namespace host {

void Session::List(const Command&, const Words&) {
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        const Object* object = document_->ObjectAt(place);
        std::string line = "  #" + std::to_string(place) + "  ";
        if (object == nullptr) {
            Say(line + "(empty)");
            continue;
        }
        line += Quoted(Utf8FromHostText(object->name())) + (object->visible() ? "  shown" : "  hidden");
        if (object->append_filter() != 0) line += "  value262=" + std::to_string(object->append_filter());
        if (!object->counted()) line += "  not counted";
        Say(line);
    }
    if (document_->PlaceCount() == 0) Say("  (no objects)");
}

void Session::Show(const Command& command, const Words& args) { SetVisibility(command, args, true); }

void Session::Hide(const Command& command, const Words& args) { SetVisibility(command, args, false); }

void Session::SetVisibility(const Command& command, const Words& args, bool visible) {
    if (args.empty()) {
        SayUsage(command);
        return;
    }
    // Every name is looked up before anything changes: a mistyped name is the one line
    // that says so, and leaves the scene as it was rather than half done.
    std::vector<Object*> objects;
    for (const Word& word : args) {
        std::vector<Object*> named = Named(word);
        if (named.empty()) return;
        objects.insert(objects.end(), named.begin(), named.end());
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    for (Object* object : objects) object->SetVisible(visible);
    if (Report(before)) unsaved_ = true;
}

void Session::Rename(const Command& command, const Words& args) {
    if (args.size() != 2) {
        SayUsage(command);
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    // A name is refused here as at load: one the scene file or the host's code page
    // cannot hold would be saved as something else, or not be read back. An empty name is
    // a name, as scene files have them.
    std::string why = WhyNotNameText(args[1]);
    if (!why.empty()) {
        Refuse("cannot rename: the name " + Quoted(args[1]) + " has " + why);
        return;
    }
    std::string name = HostTextFromUtf8(args[1]);
    Object* object = objects.front();
    std::string old_name = Utf8FromHostText(object->name());
    bool taken = false;
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        const Object* other = document_->ObjectAt(place);
        taken = taken || (other != nullptr && other != object && other->name() == name);
    }
    object->SetName(name);
    unsaved_ = true;
    std::string line = "renamed " + Quoted(old_name) + " to " + Quoted(args[1]);
    if (taken) line += "; warning: another object is named " + Quoted(args[1]) + " too, and the name now reaches both";
    Say(line);
}

void Session::Remove(const Command& command, const Words& args) {
    if (args.size() != 1) {
        SayUsage(command);
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    int32_t place = objects.front()->place();
    document_->RemoveObject(place);
    unsaved_ = true;
    Say("deleted the object at #" + std::to_string(place));
}

// The plug-in writes its element first (event 202), then the file is written whole.
void Session::SaveScene(const Command& command, const Words& args) {
    if (args.size() > 1) {
        SayUsage(command);
        return;
    }
    if (!args.empty() && args[0].empty()) {
        Refuse("not saved: \"\" names no file; save FILE needs a name, and save alone saves to the scene's own file");
        return;
    }
    std::string file = args.empty() ? scene_file_ : std::string(args[0]);
    if (args.empty() && IsSample(file)) {
        // The sample stays as it was shipped: the user names a file of their own.
        file = AskLine("the bundled sample is kept as it is; save to which file? ");
        if (file.empty()) {
            Refuse("not saved: the bundled sample is kept as it is; save FILE saves to a file of your own");
            return;
        }
    }
    if (file.empty()) {
        Refuse("usage: save FILE (this scene has no file yet)");
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error_code;
    fs::path parent = fs::path(file).parent_path();
    if (IsSample(file)) {
        Refuse("not saved: " + file + " is the bundled sample, which is kept as it is; name another file");
        return;
    }
    if (fs::is_directory(file, error_code)) {
        Refuse("not saved: " + file + " is a folder; name a file, like " + (fs::path(file) / "my.scene").generic_string());
        return;
    }
    if (!parent.empty() && !fs::is_directory(parent, error_code)) {
        Refuse("not saved: there is no folder " + parent.string());
        return;
    }
    XmlElement& element = PluginData();
    element.RemoveAllChildren();
    OptionList options;
    options.Pointer("xml_elem", &element).Text("filename", file).Int("save_uid", 0);
    plugin_->SendEvent(document_->handle(), MQEVENT_SAVE_DOCUMENT, options);
    std::string error;
    if (!WriteScene(file, *document_, *plugins_, &error)) {
        Refuse("not saved: " + error);
        return;
    }
    scene_file_ = file;
    unsaved_ = false;
    Say("saved " + file);
}

void Session::LoadScene(const Command& command, const Words& args) {
    if (args.size() != 1) {
        SayUsage(command);
        return;
    }
    if (!MayDropChanges("loading " + args[0])) return;
    if (OpenScene(args[0])) ShowPicture(false);
}

}  // namespace host
