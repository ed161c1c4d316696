// The manifest left out of this build (no nlohmann-json): --manifest is refused.
#include "app/l10n.hpp"
#include "app/manifest.hpp"

const bool manifest_built = false;

std::string manifest_support() {
    return _("left out (built without nlohmann-json)");
}

std::unique_ptr<manifest_listener> manifest_listener::make(manifest_head) {
    return nullptr;
}
