// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorHostSupport.h"

#include <xcb/damage.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tolvane_editor_test {

bool PrivateXServer::start(std::string& error)
{
    int fds[2];
    if (pipe(fds) != 0) {
        error = "pipe failed";
        return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
        error = "fork failed";
        return false;
    }
    if (pid_ == 0) {
        close(fds[0]);
        // A leak checker preloaded into the tests is not meant for the server.
        unsetenv("LD_PRELOAD");
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1200x1500x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it chose once it accepts clients.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        error = "Xvfb did not report a display";
        stop();
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

void PrivateXServer::stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

int HostFrame::firings(std::chrono::milliseconds interval) const
{
    const auto found = firings_.find(interval.count());
    return found == firings_.end() ? 0 : found->second;
}

void HostFrame::run(std::chrono::milliseconds duration)
{
    runUntil(duration, [] { return false; });
}

bool HostFrame::runUntil(std::chrono::milliseconds limit, const std::function<bool()>& done)
{
    const auto end = Clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        fireDueTimers();
        if (done())
            return true;
        if (Clock::now() >= end)
            return false;
        // Rounded up: a wait cut to 0 ms would spin until the timer is due.
        handleEvents(std::chrono::ceil<std::chrono::milliseconds>(nextTimerDue(end) - Clock::now()));
    }
}

bool DamageWatch::start(xcb_window_t window)
{
    connection_ = xcb_connect(nullptr, nullptr);
    if (!connection_ || xcb_connection_has_error(connection_))
        return false;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (!extension || !extension->present)
        return false;
    firstEvent_ = extension->first_event;
    free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
    damage_ = xcb_generate_id(connection_);
    const xcb_void_cookie_t cookie =
        xcb_damage_create_checked(connection_, damage_, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        free(error);
        damage_ = 0;
        return false;
    }
    return true;
}

DamageWatch::~DamageWatch()
{
    if (connection_) {
        if (damage_)
            xcb_damage_destroy(connection_, damage_);
        xcb_flush(connection_);
        xcb_disconnect(connection_);
    }
}

std::vector<xcb_rectangle_t> DamageWatch::collect()
{
    std::vector<xcb_rectangle_t> rects;
    if (!connection_ || !damage_)
        return rects;
    // A round trip: the events of every request the server handled before it are queued.
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7F) == firstEvent_ + XCB_DAMAGE_NOTIFY)
            rects.push_back(reinterpret_cast<xcb_damage_notify_event_t*>(event)->area);
        free(event);
    }
    return rects;
}

bool ParentWindow::create(int width, int height)
{
    connection_ = xcb_connect(nullptr, nullptr);
    if (!connection_ || xcb_connection_has_error(connection_))
        return false;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(connection_, window_);
    // A round trip, so the window exists before the editor embeds into it.
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return true;
}

ParentWindow::~ParentWindow()
{
    if (connection_) {
        if (window_)
            xcb_destroy_window(connection_, window_);
        xcb_flush(connection_);
        xcb_disconnect(connection_);
    }
}

void ParentWindow::mapChildren()
{
    for (xcb_window_t child : children())
        xcb_map_window(connection_, child);
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

std::vector<xcb_window_t> ParentWindow::children() const
{
    std::vector<xcb_window_t> result;
    if (!connection_)
        return result;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window_), nullptr);
    if (!tree)
        return result;
    const xcb_window_t* list = xcb_query_tree_children(tree);
    result.assign(list, list + xcb_query_tree_children_length(tree));
    free(tree);
    return result;
}

Screenshot ParentWindow::grabChild() const
{
    Screenshot shot;
    const std::vector<xcb_window_t> windows = children();
    if (windows.empty())
        return shot;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, windows.front()), nullptr);
    if (!geometry)
        return shot;
    const int width = geometry->width, height = geometry->height;
    free(geometry);
    xcb_get_image_reply_t* image =
        xcb_get_image_reply(connection_,
                            xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, windows.front(), 0, 0,
                                          static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
                            nullptr);
    if (!image)
        return shot;
    // A 24-bit screen hands out 32-bit pixels, 0x00RRGGBB.
    if (xcb_get_image_data_length(image) == width * height * 4) {
        const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image));
        shot.width = width;
        shot.height = height;
        shot.pixels.assign(data, data + width * height);
    }
    free(image);
    return shot;
}

} // namespace tolvane_editor_test
