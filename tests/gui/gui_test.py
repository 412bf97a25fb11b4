#!/usr/bin/env python3
"""Runs skinremap's window on an X display (Xvfb in CI) and works it like a user would.

usage: gui_test.py SKINREMAP CASE     (CASE: one of the functions named in CASES below)

Each case builds a folder of skins and a palette, starts the program there, drives it with
xdotool (pointer and keys go through XTEST) and checks the exit code and the files. There
is no window manager under Xvfb, so the close box is imitated by the message a window
manager sends: WM_DELETE_WINDOW, sent with Xlib through ctypes.
"""

import ctypes
import ctypes.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "support"))
from skin_bytes import bmp24, riff_palette  # noqa: E402

TITLE = "Vaskor Skin Remaper"
SKIP = 77  # CTest's skip code: no display to test on
WAIT = 20.0
# What Windows makes of the 450 x 110 window the program asks for: its client area, and the
# height of a scroll-bar arrow (the progress bar's).
CLIENT = (434, 71)
ARROW = 17
LAYOUT = Path(__file__).resolve().parent.parent / "data" / "window_layout.txt"
# A folder name that trips up anything passing names through a shell or a byte encoding.
AWKWARD = "Skins of 'Ünïcødé' & spaces"
DISPLAY_LOST = 4  # the program's exit code when its X connection breaks


# ---- Input files -----------------------------------------------------------------------

def cube_palette():
    """A 256-colour RIFF palette: a 6 x 7 x 6 colour cube, then greys."""
    colours = [(r * 51, g * 42, b * 51) for r in range(6) for g in range(7) for b in range(6)]
    colours += [(i * 8 % 256,) * 3 for i in range(256 - len(colours))]
    return riff_palette(colours)


def bit_depth(path):
    if not path.exists():
        return 0
    with open(path, "rb") as f:
        head = f.read(30)
    return struct.unpack_from("<H", head, 28)[0] if len(head) >= 30 else 0


def make_skins(folder, skins):
    (folder / "skins.ipl").write_bytes(cube_palette())
    for name, (width, height) in skins.items():
        (folder / name).write_bytes(bmp24(width, height))


# ---- The X side ------------------------------------------------------------------------

def xdotool(*args, timeout=WAIT):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=timeout)
    if result.returncode != 0:
        raise AssertionError(f"xdotool {' '.join(args)}: {result.stderr.strip()}")
    return result.stdout.strip()


def find_window(name):
    """The id of the first visible window titled exactly `name`, waiting for it to appear."""
    return xdotool("search", "--sync", "--onlyvisible", "--name", f"^{name}$").split()[0]


def window_size(window):
    for line in xdotool("getwindowgeometry", window).splitlines():
        if "Geometry:" in line:
            width, height = line.split(":")[1].strip().split("x")
            return int(width), int(height)
    raise AssertionError("no geometry for window " + window)


def layout():
    """The controls' places in the client area, from the layout every front end shares:
    (class, x, y, width, height) in the order they are made."""
    names = {"R": CLIENT[0], "B": CLIENT[1], "A": ARROW}
    places = []
    for line in LAYOUT.read_text().splitlines():
        if line and not line.startswith("#"):
            kind, *sizes = line.split("|")
            places.append((kind, *(eval(size, {}, names) for size in sizes)))
    return places


def click_quit(window):
    _, x, y, width, height = layout()[3]
    xdotool("mousemove", "--window", window, str(x + width // 2), str(y + height // 2))
    xdotool("click", "1")


def answer_box(box, key="Return"):
    """Puts the pointer on the box, which gives it the keyboard without a window manager,
    and presses `key`."""
    xdotool("mousemove", "--window", box, "5", "5")
    time.sleep(0.2)
    xdotool("key", key)


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    """The leading fields of Xlib's XImage, as far as reading pixels needs them."""
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


def xlib():
    """Xlib through ctypes, with the signatures the cases use."""
    lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XInternAtom.restype = ctypes.c_ulong
    lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    lib.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
        ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_long))]
    lib.XFree.argtypes = [ctypes.c_void_p]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    lib.XGetImage.restype = ctypes.POINTER(XImage)
    lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.XKillClient.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    return lib


class Display:
    """A connection to the display for the length of a `with` block."""

    def __init__(self):
        self.x = xlib()
        self.handle = self.x.XOpenDisplay(None)
        if not self.handle:
            raise AssertionError("cannot open the display")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.x.XCloseDisplay(self.handle)  # flushes

    def atom(self, name):
        return self.x.XInternAtom(self.handle, name, False)


def close_window(window):
    """What a window manager does when the close box is clicked."""
    with Display() as display:
        event = XEvent()
        message = event.xclient
        message.type = 33  # ClientMessage
        message.window = int(window)
        message.message_type = display.atom(b"WM_PROTOCOLS")
        message.format = 32
        message.data[0] = display.atom(b"WM_DELETE_WINDOW")
        message.data[1] = 0  # CurrentTime
        display.x.XSendEvent(display.handle, int(window), False, 0, ctypes.byref(event))


def screenshot(window):
    """The window's pixels as rows of (red, green, blue), on a 24-bit display."""
    width, height = window_size(window)
    with Display() as display:
        z_pixmap, all_planes = 2, 0xFFFFFFFF
        image = display.x.XGetImage(display.handle, int(window), 0, 0, width, height,
                                    all_planes, z_pixmap)
        expect(bool(image), "no image of the window")
        picture = image.contents
        expect(picture.bits_per_pixel == 32 and picture.byte_order == 0,
               "expected 32-bit little-endian pixels (run Xvfb with -screen 0 WxHx24)")
        raw = ctypes.string_at(picture.data, picture.bytes_per_line * height)
        line = picture.bytes_per_line
        display.x.XFree(picture.data)
        display.x.XFree(image)
    return [[(raw[at + 2], raw[at + 1], raw[at]) for at in range(row * line, row * line + 4 * width, 4)]
            for row in range(height)]


def inside(place, x, y):
    _, left, top, width, height = place
    return left <= x < left + width and top <= y < top + height


def drawn_box(pixels, area, others):
    """The smallest rectangle (x, y, width, height) holding every pixel of `area` (left,
    top, right, bottom; right and bottom excluded) that differs from the window's
    background, leaving out the places of the `others` controls; None if there is none."""
    left, top, right, bottom = area
    background = pixels[0][0]
    xs, ys = [], []
    for y in range(max(top, 0), min(bottom, len(pixels))):
        for x in range(max(left, 0), min(right, len(pixels[0]))):
            if pixels[y][x] != background and not any(inside(o, x, y) for o in others):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def kill_connection(window):
    """What a display that goes away does to the program: its X connection is closed."""
    with Display() as display:
        display.x.XKillClient(display.handle, int(window))


def icon_size(window):
    """Width and height of the first icon the window offers its window manager, or None."""
    with Display() as display:
        kind, bits = ctypes.c_ulong(), ctypes.c_int()
        count, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.POINTER(ctypes.c_long)()
        # The property starts with the first icon's width and height.
        display.x.XGetWindowProperty(
            display.handle, int(window), display.atom(b"_NET_WM_ICON"), 0, 2, False, 0,
            ctypes.byref(kind), ctypes.byref(bits), ctypes.byref(count), ctypes.byref(after),
            ctypes.byref(data))
        size = (data[0], data[1]) if bits.value == 32 and count.value == 2 else None
        if data:
            display.x.XFree(data)
        return size


# ---- Running the program ---------------------------------------------------------------

class Run:
    """The program started in `folder`, or in `started_in` and told the folder to work on."""

    started = []  # every run, so that none outlives a failed case and confuses the next

    def __init__(self, program, folder, started_in=None):
        self.folder = folder
        command = [program] if started_in is None else [program, str(folder)]
        self.process = subprocess.Popen(command, cwd=started_in or folder, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)
        Run.started.append(self.process)

    def exit_code(self):
        try:
            output, _ = self.process.communicate(timeout=WAIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            output, _ = self.process.communicate()
            raise AssertionError("the program did not end; its output:\n" + output)
        if output:
            print(output, end="")
        return self.process.returncode

    def wait_until(self, condition, what):
        deadline = time.monotonic() + WAIT
        while not condition():
            if self.process.poll() is not None:
                raise AssertionError(f"the program ended ({self.process.returncode}) before {what}")
            if time.monotonic() > deadline:
                raise AssertionError("timed out waiting until " + what)
            time.sleep(0.05)

    def wait_converted(self, names):
        self.wait_until(lambda: all(bit_depth(self.folder / n) == 8 for n in names),
                        "every skin is converted")


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


# ---- The cases -------------------------------------------------------------------------

SMALL = {"a.bmp": (40, 30), "b.bmp": (17, 5), "c.bmp": (64, 64)}


def window_has_title_size_and_icon(program, folder):
    make_skins(folder, SMALL)
    run = Run(program, folder)
    window = find_window(TITLE)
    # The window manager's frame goes around this, as the Windows frame goes around the
    # client area of the 450 x 110 window there.
    expect(window_size(window) == CLIENT, f"client area {window_size(window)}, not {CLIENT}")
    expect(icon_size(window) == (64, 64), f"window icon {icon_size(window)}")
    run.wait_converted(SMALL)
    close_window(window)
    expect(run.exit_code() == 0, "closing the window ends with 0")


def controls_sit_where_windows_puts_them(program, folder):
    """A screenshot at the end of a batch: every control is drawn exactly in its place."""
    make_skins(folder, SMALL)
    run = Run(program, folder)
    window = find_window(TITLE)
    run.wait_converted(SMALL)
    time.sleep(0.5)  # the final texts and the full bar are drawn
    pixels = screenshot(window)
    margin = 3  # looked at around each place, to see that nothing spills over
    places = layout()
    for place in places:
        kind, x, y, width, height = place
        # The places overlap a little (the second line reaches into the bar): what lies in
        # another control's place belongs to that one.
        others = [other for other in places if other is not place]
        if kind == "static":
            # Text is inked inside its place (clipped at its right edge, where the button
            # begins), starting at its left edge.
            ink = drawn_box(pixels, (x - margin, y - margin, x + width, y + height + margin),
                            others)
            expect(ink is not None, f"nothing drawn for the text at {x},{y}")
            ink_x, ink_y, ink_width, ink_height = ink
            expect(x <= ink_x <= x + 2 and y <= ink_y and ink_x + ink_width <= x + width
                   and ink_y + ink_height <= y + height,
                   f"text at {ink}, outside {(x, y, width, height)} or not at its left edge")
        else:
            drawn = drawn_box(pixels, (x - margin, y - margin, x + width + margin,
                                       y + height + margin), others)
            expect(drawn == (x, y, width, height),
                   f"{kind} drawn at {drawn}, not at {(x, y, width, height)}")
    close_window(window)
    expect(run.exit_code() == 0, "closing the window ends with 0")


def folder_argument_opens_the_window_on_it(program, folder):
    """Started elsewhere and given a folder with an awkward name, the window works there."""
    skins = folder / AWKWARD
    skins.mkdir()
    make_skins(skins, SMALL)
    elsewhere = folder / "elsewhere"
    elsewhere.mkdir()
    run = Run(program, skins, started_in=elsewhere)
    window = find_window(TITLE)
    run.wait_converted(SMALL)
    close_window(window)
    expect(run.exit_code() == 0, "closing the window ends with 0")
    expect(not any(elsewhere.iterdir()), "nothing was written where the program started")


def end_after_the_batch(program, folder, end, expected, what):
    """Converts a small batch, then ends the run through the window with `end`."""
    make_skins(folder, SMALL)
    run = Run(program, folder)
    window = find_window(TITLE)
    run.wait_converted(SMALL)
    end(window)
    code = run.exit_code()
    expect(code == expected, f"{what} ends with {expected}, not {code}")


def quit_after_the_batch_gives_1(program, folder):
    end_after_the_batch(program, folder, click_quit, 1, "Quit")


def close_after_the_batch_gives_0(program, folder):
    end_after_the_batch(program, folder, close_window, 0, "closing")


def box_with_locked_skin(program, folder):
    """Starts a batch with a read-only skin and waits for the box that reports it; returns
    the run, the main window, the box and the skin's bytes."""
    make_skins(folder, SMALL)
    locked = folder / "locked.bmp"
    locked.write_bytes(bmp24(8, 8))
    before = locked.read_bytes()
    locked.chmod(0o444)
    run = Run(program, folder)
    window = find_window(TITLE)
    box = find_window("Error")
    time.sleep(0.3)
    return run, window, box, before


def unwritable_file_is_reported_in_a_box(program, folder):
    run, window, box, before = box_with_locked_skin(program, folder)
    answer_box(box)
    run.wait_converted(SMALL)
    close_window(window)
    code = run.exit_code()
    expect(code == 0, f"closing ends with 0, not {code}")
    expect((folder / "locked.bmp").read_bytes() == before, "the read-only skin is unchanged")


def files_left_alone_are_listed_once_the_batch_is_done(program, folder):
    """A batch that left a broken skin alone ends with one box that lists it; a clean batch
    ends with none."""
    make_skins(folder, SMALL)
    run = Run(program, folder)
    window = find_window(TITLE)
    run.wait_converted(SMALL)
    time.sleep(1.0)
    listed = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Files left"],
                            capture_output=True, text=True)
    expect(listed.stdout.strip() == "", "a clean batch shows no box at its end")
    close_window(window)
    expect(run.exit_code() == 0, "closing the window ends with 0")

    make_skins(folder, SMALL)
    broken = bmp24(16, 16)
    (folder / "broken.bmp").write_bytes(broken[:len(broken) // 2])
    run = Run(program, folder)
    window = find_window(TITLE)
    box = find_window("Files left as they were")
    run.wait_converted(SMALL)
    answer_box(box)
    close_window(window)
    expect(run.exit_code() == 0, "closing the window ends with 0")
    expect((folder / "broken.bmp").read_bytes() == broken[:len(broken) // 2],
           "the broken skin is unchanged")


def watch_converts_each_save_in_the_window(program, folder):
    """With --watch the window stays open after its batch and converts each skin saved into
    the folder; closing it ends the watch with 0."""
    art = folder / "art"
    out = folder / "game"
    art.mkdir()
    make_skins(art, {"a.bmp": (12, 9)})
    process = subprocess.Popen([program, "--watch", "-o", str(out), str(art)], cwd=folder,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    Run.started.append(process)
    window = find_window(TITLE)
    deadline = time.monotonic() + WAIT
    while bit_depth(out / "a.bmp") != 8 and time.monotonic() < deadline:
        time.sleep(0.05)
    expect(bit_depth(out / "a.bmp") == 8, "the batch was converted into the output folder")
    (art / "b.bmp").write_bytes(bmp24(20, 10))
    while bit_depth(out / "b.bmp") != 8 and time.monotonic() < deadline:
        time.sleep(0.05)
    expect(bit_depth(out / "b.bmp") == 8, "a skin saved after the batch was converted")
    expect(process.poll() is None, "the window stays open while it watches")
    close_window(window)
    output, _ = process.communicate(timeout=WAIT)
    expect(process.returncode == 0, f"closing the window ends with 0, not {process.returncode}")
    expect(bit_depth(art / "b.bmp") == 24, "the art itself is never converted")


def quit_works_while_a_box_is_open(program, folder):
    """The box of a skin that could not be written has no owner: as on Windows, "Quit"
    stays usable under it, and takes effect once the box is answered."""
    run, window, box, before = box_with_locked_skin(program, folder)
    click_quit(window)
    time.sleep(0.3)
    answer_box(box)
    code = run.exit_code()
    expect(code == 1, f"Quit ends with 1, not {code}")
    expect((folder / "locked.bmp").read_bytes() == before, "the read-only skin is unchanged")


def closing_while_a_box_is_open_ends_the_run(program, folder):
    """Closing the main window under an open box ends the run and takes the box along."""
    run, window, _, before = box_with_locked_skin(program, folder)
    close_window(window)
    code = run.exit_code()  # nobody answers the box
    expect(code == 0, f"closing ends with 0, not {code}")
    expect((folder / "locked.bmp").read_bytes() == before, "the read-only skin is unchanged")


def end_during_a_conversion(program, folder, end, expected, what):
    """Ends the run through the window with `end` while a big skin is being converted: the
    run ends with `expected`, the skin in hand is not written and nothing is left behind.
    Small skins that the directory lists before it are converted by then, and waiting to be
    put in place with others: each must be whole, its original or its conversion."""
    make_skins(folder, SMALL)
    big = folder / "big.bmp"
    big.write_bytes(bmp24(4096, 4096))
    before = big.read_bytes()
    run = Run(program, folder)
    end(find_window(TITLE))
    code = run.exit_code()
    expect(code == expected, f"{what} ends with {expected}, not {code}")
    expect(big.read_bytes() == before, "the skin whose conversion was cut short is unchanged")
    for name, (width, height) in SMALL.items():
        size = (folder / name).stat().st_size
        whole = {24: 54 + ((width * 3 + 3) & ~3) * height, 8: 1078 + ((width + 3) & ~3) * height}
        depth = bit_depth(folder / name)
        expect(whole.get(depth) == size, f"{name} is whole: {depth}-bit, {size} bytes")
    kept = {"skins.ipl", "big.bmp", *SMALL}
    leftovers = sorted(p.name for p in folder.iterdir() if p.name not in kept)
    expect(not leftovers, f"no files left behind: {leftovers}")


def close_during_a_conversion_keeps_the_file(program, folder):
    end_during_a_conversion(program, folder, close_window, 0, "closing")


def lost_display_ends_with_its_own_code(program, folder):
    """The X connection breaks: the run ends at once with a code of its own, not Quit's."""
    end_during_a_conversion(program, folder, kill_connection, DISPLAY_LOST, "a lost display")


def no_display_falls_back_to_the_console(program, folder):
    make_skins(folder, SMALL)
    environment = dict(os.environ, DISPLAY=":4242")  # no X server answers there
    result = subprocess.run([program], cwd=folder, env=environment, capture_output=True,
                            text=True, timeout=WAIT)
    expect(result.returncode == 0, f"the console run ends with 0, not {result.returncode}")
    expect("Remapping: a.bmp" in result.stdout, "the console prints progress:\n" + result.stdout)
    expect(all(bit_depth(folder / n) == 8 for n in SMALL), "every skin is converted")


def message_box_answers(program, folder):
    """Return picks the default button; Escape picks Cancel, or OK when it is alone."""
    probe = os.environ["MESSAGE_BOX_PROBE"]  # set by CTest
    for buttons, key, answer in (("ok", "Return", "ok"), ("ok", "Escape", "ok"),
                                 ("retry-cancel", "Return", "retry"),
                                 ("retry-cancel", "Escape", "cancel")):
        box = subprocess.Popen([probe, buttons, "error"], stdout=subprocess.PIPE, text=True)
        find_window("Error")
        time.sleep(0.3)  # let the box take the keyboard
        xdotool("key", key)
        output, _ = box.communicate(timeout=WAIT)
        expect(output.strip() == answer, f"{buttons} box, {key}: {output.strip()}, not {answer}")


def desktop_entry_runs_in_the_folder_it_opens(program, folder):
    """The desktop entry, launched on a folder the way a file manager does, converts it."""
    if shutil.which("gio") is None:
        print("skipped: needs gio (package libglib2.0-bin) to launch the desktop entry")
        sys.exit(SKIP)
    skins = folder / AWKWARD
    skins.mkdir()
    make_skins(skins, SMALL)
    environment = dict(os.environ, PATH=f"{Path(program).parent}{os.pathsep}{os.environ['PATH']}")
    environment.pop("DISPLAY", None)  # the console run: nothing to close afterwards
    subprocess.run(["gio", "launch", os.environ["DESKTOP_ENTRY"], str(skins)], cwd="/",
                   env=environment, check=True, timeout=WAIT)
    deadline = time.monotonic() + WAIT
    while not all(bit_depth(skins / n) == 8 for n in SMALL):
        expect(time.monotonic() < deadline, "the folder's skins are converted")
        time.sleep(0.05)


def menu_command(program):
    """The desktop entry's command as a menu runs it: with no folder for its %f."""
    entry = Path(os.environ["DESKTOP_ENTRY"]).read_text()
    exec_line = next(line for line in entry.splitlines() if line.startswith("Exec="))
    words = [word for word in exec_line[len("Exec="):].split() if word != "%f"]
    return [program, *words[1:]]


def menu_start_asks_for_a_folder(program, folder):
    """Started from the menu, where the launcher gives it the home folder, the program asks
    for the folder of skins and, when the question is cancelled, ends having done nothing."""
    make_skins(folder, SMALL)
    process = subprocess.Popen(menu_command(program), cwd=folder, env=dict(os.environ, HOME=str(folder)),
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    Run.started.append(process)
    chooser = find_window("Choose the folder of skins")
    answer_box(chooser, "Escape")
    output, _ = process.communicate(timeout=WAIT)
    expect(process.returncode == 0, f"cancelled, it ends with 0, not {process.returncode}:\n{output}")
    expect(all(bit_depth(folder / n) == 24 for n in SMALL), "no skin of the home folder is converted")


def menu_start_without_a_display_converts_nothing(program, folder):
    """Without a window to ask in, the menu's command refuses rather than convert where it
    happens to be."""
    make_skins(folder, SMALL)
    environment = dict(os.environ)
    environment.pop("DISPLAY", None)
    result = subprocess.run(menu_command(program), cwd=folder, env=environment,
                            capture_output=True, text=True, timeout=WAIT)
    expect(result.returncode == 2, f"it refuses with 2, not {result.returncode}")
    expect("name it instead" in result.stderr, "it says what to do:\n" + result.stderr)
    expect(all(bit_depth(folder / n) == 24 for n in SMALL), "no skin is converted")


# Cases that need no display of their own.
HEADLESS = {no_display_falls_back_to_the_console.__name__,
            desktop_entry_runs_in_the_folder_it_opens.__name__,
            menu_start_without_a_display_converts_nothing.__name__}

CASES = {case.__name__: case for case in (
    no_display_falls_back_to_the_console,
    desktop_entry_runs_in_the_folder_it_opens,
    menu_start_without_a_display_converts_nothing,
    menu_start_asks_for_a_folder,
    window_has_title_size_and_icon,
    controls_sit_where_windows_puts_them,
    folder_argument_opens_the_window_on_it,
    quit_after_the_batch_gives_1,
    close_after_the_batch_gives_0,
    unwritable_file_is_reported_in_a_box,
    files_left_alone_are_listed_once_the_batch_is_done,
    watch_converts_each_save_in_the_window,
    quit_works_while_a_box_is_open,
    closing_while_a_box_is_open_ends_the_run,
    lost_display_ends_with_its_own_code,
    close_during_a_conversion_keeps_the_file,
    message_box_answers,
)}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in CASES:
        sys.exit(f"usage: {sys.argv[0]} SKINREMAP {{{'|'.join(CASES)}}}")
    needs_display = sys.argv[2] not in HEADLESS
    if needs_display and (not os.environ.get("DISPLAY") or shutil.which("xdotool") is None):
        print("skipped: needs an X display and xdotool (run under xvfb-run)")
        sys.exit(SKIP)
    program = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="skinremap-gui-") as folder:
        try:
            CASES[sys.argv[2]](program, Path(folder))
        except (AssertionError, subprocess.TimeoutExpired) as failure:
            print("FAILED:", failure)
            sys.exit(1)
        finally:
            for process in Run.started:
                if process.poll() is None:
                    process.kill()
                    process.wait()
    print("passed")


if __name__ == "__main__":
    main()
