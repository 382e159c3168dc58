// SPDX-License-Identifier: GPL-3.0-or-later
// Qt speaks the standard shell protocol, which names a dialog's parent but not its modality; GNOME's
// shell hears that through its own gtk_shell1 global. We list the compositor's globals once on a
// queue of our own on Qt's connection; for each modal show we make a gtk_surface1 for the dialog's
// surface, mark it modal and release it at once (the compositor keeps the mark for the surface's
// life). The same list tells whether the compositor draws frames: Qt asks for them through
// zxdg_decoration_manager_v1 where it is offered, and draws its own where not.
#include "toolkit/ui/compositor.h"

#ifdef PLAMKOV_WAYLAND_SHELL
#include <QGuiApplication>
#include <QWindow>
#include <QtGlobal>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#endif

namespace tk {

#ifdef PLAMKOV_WAYLAND_SHELL
namespace {

// The two interfaces as the compositor defines them: requests in their order up to the last one we
// send, and every event, since one without a description would break the connection. (libwayland
// takes the type tables unqualified.)
extern const wl_interface kGtkSurface;
const wl_interface* kNoTypes[6] = {};
const wl_interface* kGetSurfaceTypes[] = {&kGtkSurface, &wl_surface_interface};
const wl_interface* kBellTypes[] = {&kGtkSurface};
const wl_message kShellRequests[] = {
    {"get_gtk_surface", "no", kGetSurfaceTypes},
    {"set_startup_id", "?s", kNoTypes},
    {"system_bell", "?o", kBellTypes},
    {"notify_launch", "3s", kNoTypes},
};
const wl_message kShellEvents[] = {{"capabilities", "u", kNoTypes}};
const wl_message kSurfaceRequests[] = {
    {"set_dbus_properties", "?s?s?s?s?s?s", kNoTypes},
    {"set_modal", "", kNoTypes},
    {"unset_modal", "", kNoTypes},
    {"present", "u", kNoTypes},
    {"request_focus", "3?s", kNoTypes},
    {"release", "4", kNoTypes},
};
const wl_message kSurfaceEvents[] = {{"configure", "a", kNoTypes}, {"configure_edges", "2a", kNoTypes}};
constexpr int kVersion = 4; // the first with "release"
const wl_interface kGtkShell = {"gtk_shell1", kVersion, 4, kShellRequests, 1, kShellEvents};
const wl_interface kGtkSurface = {"gtk_surface1", kVersion, 6, kSurfaceRequests, 2, kSurfaceEvents};
constexpr std::uint32_t kGetGtkSurface = 0;
constexpr std::uint32_t kSetModal = 1;
constexpr std::uint32_t kRelease = 5;

struct Globals {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    wl_proxy* shell = nullptr; // gtk_shell1
    bool drawsFrames = false;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* found = static_cast<Globals*>(data);
    if (std::strcmp(interface, "zxdg_decoration_manager_v1") == 0)
        found->drawsFrames = true;
    if (std::strcmp(interface, kGtkShell.name) != 0 || found->shell != nullptr)
        return;
    const auto bound = std::min<std::uint32_t>(version, kVersion);
    found->shell = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kGtkShell, bound));
}
void OnGlobalRemoved(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemoved};

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Looked up once, when the first window is made under Wayland: one round trip to the compositor.
// Null without a Wayland connection.
Globals* LookUp() {
    static Globals found;
    static bool looked = false;
    if (looked)
        return found.display != nullptr ? &found : nullptr;
    looked = true;
    if (!OnWayland())
        return nullptr;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (native == nullptr)
        return nullptr;
    found.display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
    if (found.display == nullptr)
        return nullptr;
    found.queue = wl_display_create_queue(found.display);
    // The registry and what it binds live on our queue, so Qt's dispatching never meets them.
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(found.display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), found.queue);
    wl_registry* registry = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    wl_registry_add_listener(registry, &kRegistryListener, &found);
    wl_display_roundtrip_queue(found.display, found.queue);
    wl_registry_destroy(registry); // its later events would only pile up on our queue
    return &found;
}

} // namespace

void MarkModalOnCompositor(QWindow* window) {
    if (window == nullptr)
        return;
    Globals* gtk = LookUp();
    if (gtk == nullptr || gtk->shell == nullptr)
        return;
    auto* surface = static_cast<wl_surface*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window));
    if (surface == nullptr)
        return;
    wl_proxy* gtkSurface = wl_proxy_marshal_flags(gtk->shell, kGetGtkSurface, &kGtkSurface,
                                                  wl_proxy_get_version(gtk->shell), 0, nullptr, surface);
    if (gtkSurface == nullptr)
        return;
    wl_proxy_marshal_flags(gtkSurface, kSetModal, nullptr, wl_proxy_get_version(gtkSurface), 0);
    if (wl_proxy_get_version(gtkSurface) >= 4)
        wl_proxy_marshal_flags(gtkSurface, kRelease, nullptr, wl_proxy_get_version(gtkSurface),
                               WL_MARSHAL_FLAG_DESTROY);
    else
        wl_proxy_destroy(gtkSurface);
    wl_display_flush(gtk->display);
}

bool ClientDrawsFrames() {
    // Asked for no frames at all, Qt draws none; neither do we.
    if (qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION"))
        return false;
    const Globals* globals = LookUp();
    return globals != nullptr && !globals->drawsFrames;
}

#else

void MarkModalOnCompositor(QWindow*) {}
bool ClientDrawsFrames() {
    return false;
}

#endif

} // namespace tk
