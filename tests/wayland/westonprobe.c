/* A weston module for the Wayland real-window test: a seat whose pointer and
 * keyboard move only on the test's commands, and a look at the windows and
 * the screen as the compositor has them. The headless backend has no input
 * devices and shows nothing, so this is how a test presses, drags, types and
 * sees there.
 *
 * Load it with --modules=<path>/korvane-westonprobe.so and name a folder in
 * KORVANE_WESTON_PROBE that holds two FIFOs, "commands" (read here) and
 * "replies" (written here, opened by the test first). One command a line;
 * each reply ends with a line "end":
 *
 *   windows          one line per top-level window: x y width height of its
 *                    window geometry on the screen, maximized 0/1, app id,
 *                    title ("-" for none)
 *   output           x y width height of the screen
 *   move X Y         the pointer to a point of the screen
 *   down / up        the left button
 *   key CODE...      presses and releases of evdev key codes, in order;
 *                    a code prefixed with "+" is only pressed, "-" only
 *                    released
 *   shot FILE        the screen as a binary PPM
 */

#include <libweston-desktop/libweston-desktop.h>
#include <libweston/libweston.h>

#include <linux/input-event-codes.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* Input as a backend makes it; declared in weston's backend header, which
 * is not installed. */
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec, const char *seat_name);
int weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time, double x, double y);
void notify_button(struct weston_seat *seat, const struct timespec *time, int32_t button,
                   enum wl_pointer_button_state state);
void notify_key(struct weston_seat *seat, const struct timespec *time, uint32_t key, enum wl_keyboard_key_state state,
                enum weston_key_state_update update_state);
void notify_pointer_frame(struct weston_seat *seat);

struct probe
{
    struct weston_compositor *compositor;
    struct weston_seat seat;
    char commandsPath[4096];
    char repliesPath[4096];
    int commands;
    int replies;
    char pending[4096];
    size_t pendingLength;
    struct wl_event_source *source;
};

static void reply(struct probe *probe, const char *text)
{
    if (probe->replies < 0)
        probe->replies = open(probe->repliesPath, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe->replies < 0)
        return;
    /* The test reads every reply as it comes; one that stops reading gets
     * no more, and the compositor goes on. */
    const size_t length = strlen(text);
    size_t written = 0;
    while (written < length) {
        const ssize_t n = write(probe->replies, text + written, length - written);
        if (n > 0) {
            written += (size_t)n;
            continue;
        }
        struct pollfd writable = {.fd = probe->replies, .events = POLLOUT};
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || poll(&writable, 1, 5000) <= 0)
            return;
    }
}

static struct weston_output *screen(struct probe *probe)
{
    struct weston_output *output;
    wl_list_for_each(output, &probe->compositor->output_list, link) return output;
    return NULL;
}

static void listWindows(struct probe *probe)
{
    struct weston_view *view;
    wl_list_for_each(view, &probe->compositor->view_list, link)
    {
        struct weston_surface *surface = view->surface;
        if (!weston_surface_is_desktop_surface(surface))
            continue;
        struct weston_desktop_surface *window = weston_surface_get_desktop_surface(surface);
        const struct weston_geometry geometry = weston_desktop_surface_get_geometry(window);
        const char *title = weston_desktop_surface_get_title(window);
        const char *appId = weston_desktop_surface_get_app_id(window);
        char line[1024];
        snprintf(line, sizeof line, "%d %d %d %d %d %s %s\n", (int)view->geometry.x + geometry.x,
                 (int)view->geometry.y + geometry.y, geometry.width, geometry.height,
                 weston_desktop_surface_get_maximized(window) ? 1 : 0, appId && *appId ? appId : "-",
                 title && *title ? title : "-");
        reply(probe, line);
    }
}

static int writeShot(struct probe *probe, const char *fileName)
{
    struct weston_output *output = screen(probe);
    struct weston_compositor *compositor = probe->compositor;
    if (!output || !compositor->renderer || !compositor->renderer->read_pixels)
        return -1;
    const int width = output->current_mode->width;
    const int height = output->current_mode->height;
    uint32_t *pixels = malloc((size_t)width * height * 4);
    unsigned char *row = malloc((size_t)width * 3);
    FILE *file = fopen(fileName, "wb");
    int result = -1;
    if (pixels && row && file
        && compositor->renderer->read_pixels(output, PIXMAN_a8r8g8b8, pixels, 0, 0, width, height) == 0) {
        fprintf(file, "P6\n%d %d\n255\n", width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = pixels[(size_t)y * width + x];
                row[3 * x] = (pixel >> 16) & 0xff;
                row[3 * x + 1] = (pixel >> 8) & 0xff;
                row[3 * x + 2] = pixel & 0xff;
            }
            fwrite(row, 3, (size_t)width, file);
        }
        result = ferror(file) ? -1 : 0;
    }
    if (file && fclose(file) != 0)
        result = -1;
    free(row);
    free(pixels);
    return result;
}

static void press(struct probe *probe, uint32_t key, enum wl_keyboard_key_state state)
{
    struct timespec now;
    weston_compositor_get_time(&now);
    notify_key(&probe->seat, &now, key, state, STATE_UPDATE_AUTOMATIC);
}

static void run(struct probe *probe, char *command)
{
    struct timespec now;
    weston_compositor_get_time(&now);
    char *arguments = strchr(command, ' ');
    if (arguments)
        *arguments++ = '\0';
    else
        arguments = command + strlen(command);

    if (strcmp(command, "windows") == 0) {
        listWindows(probe);
    } else if (strcmp(command, "output") == 0) {
        struct weston_output *output = screen(probe);
        char line[128];
        if (output) {
            snprintf(line, sizeof line, "%d %d %d %d\n", output->x, output->y, output->width, output->height);
            reply(probe, line);
        }
    } else if (strcmp(command, "move") == 0) {
        double x = 0;
        double y = 0;
        if (sscanf(arguments, "%lf %lf", &x, &y) == 2) {
            notify_motion_absolute(&probe->seat, &now, x, y);
            notify_pointer_frame(&probe->seat);
        } else {
            reply(probe, "error: move X Y\n");
        }
    } else if (strcmp(command, "down") == 0 || strcmp(command, "up") == 0) {
        notify_button(&probe->seat, &now, BTN_LEFT,
                      command[0] == 'd' ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        notify_pointer_frame(&probe->seat);
    } else if (strcmp(command, "key") == 0) {
        for (char *code = strtok(arguments, " "); code; code = strtok(NULL, " ")) {
            const char sign = code[0];
            const uint32_t key = (uint32_t)strtoul(code + (sign == '+' || sign == '-'), NULL, 10);
            if (sign != '-')
                press(probe, key, WL_KEYBOARD_KEY_STATE_PRESSED);
            if (sign != '+')
                press(probe, key, WL_KEYBOARD_KEY_STATE_RELEASED);
        }
    } else if (strcmp(command, "shot") == 0) {
        if (writeShot(probe, arguments) != 0)
            reply(probe, "error: no screenshot (start weston with --use-pixman)\n");
    } else {
        reply(probe, "error: unknown command\n");
    }
    reply(probe, "end\n");
}

static int readCommands(int fd, uint32_t mask, void *data)
{
    struct probe *probe = data;
    (void)mask;
    for (;;) {
        const ssize_t n
            = read(fd, probe->pending + probe->pendingLength, sizeof probe->pending - 1 - probe->pendingLength);
        if (n <= 0)
            break;
        probe->pendingLength += (size_t)n;
        char *line = probe->pending;
        char *end;
        while ((end = memchr(line, '\n', probe->pending + probe->pendingLength - line))) {
            *end = '\0';
            run(probe, line);
            line = end + 1;
        }
        probe->pendingLength -= (size_t)(line - probe->pending);
        memmove(probe->pending, line, probe->pendingLength);
        if (probe->pendingLength == sizeof probe->pending - 1)
            probe->pendingLength = 0;
    }
    return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[])
{
    (void)argc;
    (void)argv;
    const char *folder = getenv("KORVANE_WESTON_PROBE");
    if (!folder) {
        weston_log("korvane-westonprobe: KORVANE_WESTON_PROBE names no folder\n");
        return -1;
    }
    struct probe *probe = calloc(1, sizeof *probe);
    if (!probe)
        return -1;
    probe->compositor = compositor;
    probe->replies = -1;
    /* A test that has gone leaves the replies without a reader. */
    signal(SIGPIPE, SIG_IGN);
    snprintf(probe->commandsPath, sizeof probe->commandsPath, "%s/commands", folder);
    snprintf(probe->repliesPath, sizeof probe->repliesPath, "%s/replies", folder);
    /* Read and write: the FIFO stays open when the test's writer closes it. */
    probe->commands = open(probe->commandsPath, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (probe->commands < 0) {
        weston_log("korvane-westonprobe: cannot open %s\n", probe->commandsPath);
        free(probe);
        return -1;
    }
    weston_seat_init(&probe->seat, compositor, "default");
    weston_seat_init_pointer(&probe->seat);
    weston_seat_init_keyboard(&probe->seat, NULL);
    probe->source = wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), probe->commands,
                                         WL_EVENT_READABLE, readCommands, probe);
    return probe->source ? 0 : -1;
}
