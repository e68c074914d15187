// Start-up, shut-down and activation of the plug-in, with the window's shown state and
// place kept in the host's plug-in settings.
#include <vector>

#include "abi/messages.h"
#include "plugin/host_api.h"
#include "plugin/settings.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"

namespace {
constexpr const char* kActiveKey = "Pellucid_activate";
constexpr const char* kPosXKey = "PosX";
constexpr const char* kPosYKey = "PosY";
}  // namespace

std::unique_ptr<MQSetting> Pellucid::OpenSettingsSection() { return ::OpenSettingsSection(this); }

// Reads the settings, builds the window as a child of the host's main window at the
// saved place (both coordinates must be there and non-negative), and shows it when it
// was shown at the last exit. Without settings from the host the plug-in starts hidden.
BOOL32 Pellucid::Initialize() {
    int32_t x = -1, y = -1;
    active = false;
    if (std::unique_ptr<MQSetting> settings = OpenSettingsSection()) {
        active = settings->LoadBool(kActiveKey);
        x = settings->LoadInt(kPosXKey, -1);
        y = settings->LoadInt(kPosYKey, -1);
    }
    NewDocumentEra();
    if (window == nullptr) {
        // Room to retire the window is kept from the start, so that an exit never fails.
        retiredWindows.reserve(retiredWindows.size() + 1);
        MQWindow main = MQWindow::GetMainWindow();
        window = std::make_unique<PellucidWindow>(this, main);
        if (x >= 0 && y >= 0) {
            window->SetPosX(x);
            window->SetPosY(y);
        }
    }
    Activate(nullptr, active);
    return 1;
}

// Saves the shown state and, when there is a window, its place; then destroys the
// window, which deletes its widgets in the host. Everything the save needs is made
// before the first key is written, so the settings are written whole or not at all; the
// window goes either way.
void Pellucid::Exit() {
    class Closing {
    public:
        explicit Closing(Pellucid& plugin) : plugin_(plugin) {}
        ~Closing() {
            plugin_.NewDocumentEra();
            plugin_.DestroyWindow();
        }
        Closing(const Closing&) = delete;
        Closing& operator=(const Closing&) = delete;

    private:
        Pellucid& plugin_;
    } closing(*this);

    if (std::unique_ptr<MQSetting> settings = OpenSettingsSection()) {
        std::vector<MQSetting::Entry> entries;
        entries.reserve(3);
        entries.push_back(MQSetting::BoolEntry(kActiveKey, active));
        if (window != nullptr) {
            entries.push_back(MQSetting::IntEntry(kPosXKey, window->GetPosX()));
            entries.push_back(MQSetting::IntEntry(kPosYKey, window->GetPosY()));
        }
        for (const MQSetting::Entry& entry : entries) settings->Write(entry);
    }
}

BOOL32 Pellucid::Activate(MQDocument, BOOL32 flag) {
    if (window == nullptr) return 0;
    WindowCall call(*this);
    active = flag != 0;
    window->SetVisible(active);
    if (window != nullptr) window->FitToContent();  // unless an exit came meanwhile
    return active ? 1 : 0;
}

BOOL32 Pellucid::IsActivated(MQDocument) { return window != nullptr && active ? 1 : 0; }

void Pellucid::WindowClosed() {
    if (!active) return;
    active = false;
    uint32_t product = 0, id = 0;
    GetPlugInID(&product, &id);
    int32_t flag = 0;
    MQSendMessageInfo message{product, id, 0, &flag};
    g_host.MQ_SendMessage(MQ_MESSAGE_ACTIVATE, &message);
}
