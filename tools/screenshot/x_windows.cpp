#include "x_windows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace kestrow::screenshot {
namespace {

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

struct Connection {
    Connection() : c(xcb_connect(nullptr, nullptr)) {}
    ~Connection() { xcb_disconnect(c); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    xcb_connection_t* c;
};

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::optional<std::string> Text(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!reply || reply->format != 8 || xcb_get_property_value_length(reply.get()) <= 0)
        return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

}  // namespace

std::optional<std::uint32_t> FindWindowByTitle(const std::string& title) {
    Connection x;
    if (xcb_connection_has_error(x.c))
        return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x.c)).data;
    if (!screen)
        return std::nullopt;
    const xcb_atom_t net_wm_name = Atom(x.c, "_NET_WM_NAME");
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x.c, xcb_query_tree(x.c, screen->root), nullptr));
    if (!tree)
        return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        std::optional<std::string> name = Text(x.c, children[i], net_wm_name);
        if (!name)
            name = Text(x.c, children[i], XCB_ATOM_WM_NAME);
        if (name == title)
            return children[i];
    }
    return std::nullopt;
}

}  // namespace kestrow::screenshot
