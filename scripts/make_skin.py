#!/usr/bin/python3
"""Draws the installer's skin bitmaps into resources/skin/ as PNG files.

Every picture is made from code here, so the skin can be reviewed and drawn
again: `scripts/make_skin.py` (Debian's python3-pil and the fonts-liberation2
package). The build does not run this script; it embeds the committed PNGs.

File names start with the bitmap's resource id. The dialog copies its
pictures opaquely, so each control picture is drawn over the exact
background it sits on (a piece of the page background, the footer or panel
colour, the message box band, or the grey and row colours of the uninstall
page and the large layout), and its edges are smoothed against it.
Pictures that the renderer copies with a key colour (132 on white, 133 on
0x42237E) keep that colour for the background only.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "skin")

SS = 4  # supersampling factor of the shape masks

# Colours (R, G, B) that the dialog's painters use around the pictures.
WHITE = (255, 255, 255)
FOOTER = (247, 251, 253)     # footer band of the pages and the message boxes
PANEL = (252, 254, 255)      # the folded-out options panel
BAND = (74, 71, 181)         # message box title band
FINISH = (66, 35, 126)       # finish frame fill, key colour of 133
GREY_PAGE = (247, 248, 250)  # uninstall page, large layout's background and left band
ROW = (250, 250, 252)        # every other survey row of the large layout

# The skin's own palette.
INK = (38, 36, 64)
ORANGE = (241, 143, 4)
AMBER = (255, 176, 52)
EMBER = (238, 114, 10)
INDIGO = (74, 71, 181)
VIOLET = (124, 92, 232)
TRACK = (234, 236, 243)
BLUE = (25, 140, 229)
RED = (228, 66, 72)
TEAL = (35, 166, 140)        # the uninstall page's question text

W, H = 622, 405
RING = 311
RING_ORIGIN = (156, 24)
RING_CENTRE = (RING - 1) / 2.0
RING_OUTER = 138.0
RING_INNER = 121.0

FONT_BOLD = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"
FONT_REGULAR = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"


# --- helpers -----------------------------------------------------------------

def solid(size, colour):
    return Image.new("RGB", size, colour)


def mask(size, paint):
    """A coverage mask of `size`: `paint(draw, s)` draws white shapes at SS
    times the size (s scales a coordinate); the result is averaged down."""
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    paint(ImageDraw.Draw(big), lambda v: v * SS)
    return big.resize(size, Image.BOX)


def lay(image, colour, coverage):
    """Paints a colour (a tuple or an image of the same size) through a mask."""
    fill = colour if isinstance(colour, Image.Image) else solid(image.size, colour)
    image.paste(fill, (0, 0), coverage)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vertical_gradient(size, top, bottom):
    image = Image.new("RGB", size)
    pixels = image.load()
    for y in range(size[1]):
        colour = mix(top, bottom, y / max(1, size[1] - 1))
        for x in range(size[0]):
            pixels[x, y] = colour
    return image


def per_pixel(size, function):
    image = Image.new("RGB", size)
    pixels = image.load()
    for y in range(size[1]):
        for x in range(size[0]):
            pixels[x, y] = function(x, y)
    return image


def circle(draw, s, cx, cy, r):
    draw.ellipse([s(cx - r), s(cy - r), s(cx + r), s(cy + r)], fill=255)


def annulus(size, cx, cy, outer, inner):
    def paint(draw, s):
        circle(draw, s, cx, cy, outer)
        draw.ellipse([s(cx - inner), s(cy - inner), s(cx + inner), s(cy + inner)], fill=0)
    return mask(size, paint)


def line_mask(size, points, width):
    """A polyline of the given width with round joints and ends."""
    def paint(draw, s):
        scaled = [(s(x), s(y)) for x, y in points]
        draw.line(scaled, fill=255, width=int(round(s(width))))
        for x, y in scaled:
            r = s(width) / 2
            draw.ellipse([x - r, y - r, x + r, y + r], fill=255)
    return mask(size, paint)


def rounded(size, box, radius):
    def paint(draw, s):
        draw.rounded_rectangle([s(box[0]), s(box[1]), s(box[2]), s(box[3])], radius=s(radius), fill=255)
    return mask(size, paint)


def font(path, size):
    return ImageFont.truetype(path, size)


def save(image, name):
    path = os.path.join(OUT, name + ".png")
    image.save(path, optimize=True)


# --- the product emblem: a rounded tile with a play sign -----------------------

def emblem(image, cx, cy, size, tile_top, tile_bottom, play_colour):
    """Draws the emblem centred at (cx, cy) into `image`."""
    half = size / 2.0
    box = (cx - half, cy - half, cx + half, cy + half)
    tile = rounded(image.size, box, size * 0.28)
    gradient = Image.new("RGB", image.size)
    top = int(cy - half)
    span = max(1.0, size)
    pixels = gradient.load()
    for y in range(image.size[1]):
        t = min(1.0, max(0.0, (y - top) / span))
        colour = mix(tile_top, tile_bottom, t)
        for x in range(image.size[0]):
            pixels[x, y] = colour
    lay(image, gradient, tile)
    # The play sign: a triangle with softened corners, nudged right so that it
    # looks centred.
    r = size * 0.21
    ox = cx + size * 0.045
    points = [(ox - r * 0.75, cy - r), (ox + r, cy), (ox - r * 0.75, cy + r)]

    corner = size * 0.035

    def paint(draw, s):
        scaled = [(s(x), s(y)) for x, y in points]
        draw.polygon(scaled, fill=255)
        draw.line(scaled + scaled[:1], fill=255, width=int(round(s(corner * 2))), joint="curve")
        for x, y in scaled:
            draw.ellipse([x - s(corner), y - s(corner), x + s(corner), y + s(corner)], fill=255)
    lay(image, play_colour, mask(image.size, paint))


# --- page backgrounds ----------------------------------------------------------

def welcome_background():
    """191: white page with a faint lavender light behind the ring and the
    footer band's colour at the bottom."""
    cx, cy = RING_ORIGIN[0] + RING_CENTRE, RING_ORIGIN[1] + RING_CENTRE
    glow = (246, 245, 255)

    def colour(x, y):
        if y >= H - 67:
            return FOOTER
        d = math.hypot(x - cx, (y - cy) * 1.15)
        t = max(0.0, 1.0 - d / 300.0)
        base = mix(WHITE, glow, t * t)
        # A light wash along the top edge.
        wash = max(0.0, 1.0 - y / 90.0) * 0.5
        return mix(base, (248, 248, 253), wash)
    return per_pixel((W, H), colour)


def finish_background():
    """185: deep violet page that the install reveal uncovers and the finished
    page shows, with soft light behind the ring."""
    cx, cy = RING_ORIGIN[0] + RING_CENTRE, RING_ORIGIN[1] + RING_CENTRE
    top, bottom = (58, 30, 116), (96, 54, 176)

    def colour(x, y):
        base = mix(top, bottom, y / (H - 1))
        d = math.hypot(x - cx, y - cy)
        t = max(0.0, 1.0 - d / 330.0)
        return mix(base, (132, 96, 214), t * t * 0.55)
    image = per_pixel((W, H), colour)
    # Quiet concentric rings around the centre of the reveal.
    for radius, alpha in ((200, 0.10), (260, 0.07), (330, 0.05)):
        m = annulus((W, H), cx, cy, radius + 1.0, radius - 1.0)
        lay(image, mix(bottom, WHITE, 0.5), m.point(lambda v, a=alpha: int(v * a)))
    # The completed ring, which the reveal uncovers as the install ends.
    image.paste(finished_ring(image), RING_ORIGIN)
    return image


# --- rings ---------------------------------------------------------------------

def ring_box(background):
    """The 311 x 311 piece of a page under the ring area."""
    x, y = RING_ORIGIN
    return background.crop((x, y, x + RING, y + RING))


def sweep_colours(start, end):
    """Fill colours by angle, clockwise from six o'clock, as the download
    sweep uncovers them."""
    c = RING_CENTRE

    def colour(x, y):
        angle = math.atan2(-(x - c), (y - c))  # 0 at six o'clock, growing clockwise
        t = (angle % (2 * math.pi)) / (2 * math.pi)
        return mix(start, end, t)
    return per_pixel((RING, RING), colour)


def ring_picture(background, filled, emblem_colours):
    image = background.copy()
    track = annulus(image.size, RING_CENTRE, RING_CENTRE, RING_OUTER, RING_INNER)
    if filled:
        lay(image, sweep_colours(AMBER, EMBER), track)
    else:
        lay(image, TRACK, track)
    emblem(image, RING_CENTRE, RING_CENTRE, 104, *emblem_colours)
    return image


def keep_key_free(image, key, background_mask):
    """Moves every art pixel that happens to equal the key colour one step
    away, so the renderer copies it."""
    pixels = image.load()
    cover = background_mask.load()
    for y in range(image.size[1]):
        for x in range(image.size[0]):
            if cover[x, y] > 0 and pixels[x, y] == key:
                pixels[x, y] = tuple(max(0, v - 1) for v in key)


def art_mask(size, parts):
    combined = Image.new("L", size, 0)
    for part in parts:
        combined.paste(255, (0, 0), part)
    return combined


EMBLEM_LIGHT = ((108, 96, 236), (74, 71, 181), (254, 254, 254))


def ring_overlay():
    """132: the full ring and the emblem on the white key."""
    image = solid((RING, RING), WHITE)
    track = annulus(image.size, RING_CENTRE, RING_CENTRE, RING_OUTER, RING_INNER)
    lay(image, sweep_colours(AMBER, EMBER), track)
    emblem(image, RING_CENTRE, RING_CENTRE, 104, *EMBLEM_LIGHT)
    tile = rounded(image.size, (RING_CENTRE - 52, RING_CENTRE - 52, RING_CENTRE + 52, RING_CENTRE + 52), 29)
    keep_key_free(image, WHITE, art_mask(image.size, [track, tile]))
    return image


def finish_overlay():
    """133: a ring with a tick, light on the 0x42237E key."""
    image = solid((RING, RING), FINISH)
    c = RING_CENTRE
    ring = annulus(image.size, c, c, 92, 84)
    lay(image, (236, 230, 255), ring)
    tick = line_mask(image.size, [(c - 38, c + 2), (c - 10, c + 30), (c + 42, c - 28)], 14)
    lay(image, WHITE, tick)
    keep_key_free(image, FINISH, art_mask(image.size, [ring, tick]))
    return image


def failed_picture():
    """182: a faint broken ring with an alert badge above the failure text,
    on the failed page's white."""
    image = solid((RING, RING), WHITE)
    c = RING_CENTRE
    track = annulus(image.size, c, c, RING_OUTER, RING_INNER)
    lay(image, (246, 236, 238), track)
    # A short red arc at the top of the ring where the progress stopped.
    def arc(draw, s):
        draw.pieslice([s(c - RING_OUTER), s(c - RING_OUTER), s(c + RING_OUTER), s(c + RING_OUTER)],
                      start=200, end=250, fill=255)
    arc_mask = mask(image.size, arc)
    lay(image, (240, 128, 132), Image.composite(arc_mask, Image.new("L", image.size, 0), track))
    # The badge sits in the upper part of the ring, above the text band.
    by = 48
    lay(image, RED, mask(image.size, lambda d, s: circle(d, s, c, by, 22)))
    lay(image, WHITE, line_mask(image.size, [(c, by - 11), (c, by + 3)], 5.5))
    lay(image, WHITE, mask(image.size, lambda d, s: circle(d, s, c, by + 11, 3.2)))
    # A grey download arrow with a bar below the text band.
    grey = (200, 204, 214)
    lay(image, grey, line_mask(image.size, [(c, 196), (c, 238)], 7))
    lay(image, grey, line_mask(image.size, [(c - 17, 222), (c, 240), (c + 17, 222)], 7))
    lay(image, grey, line_mask(image.size, [(c - 26, 254), (c + 26, 254)], 6))
    return image


def finished_ring(background):
    """184: the completed ring as it stands on the violet page."""
    image = ring_box(background)
    track = annulus(image.size, RING_CENTRE, RING_CENTRE, RING_OUTER, RING_INNER)
    lay(image, (196, 178, 255), track)
    emblem(image, RING_CENTRE, RING_CENTRE, 104, (254, 254, 254), (226, 220, 255), INDIGO)
    return image


# --- logos ---------------------------------------------------------------------

def logo(background, dark, badge):
    """138/187 (dark text on the white page) and 139/188 (light text on the
    violet page): the emblem and the product name; `badge` adds "x64"."""
    image = background.crop((0, 0, 206, 45))
    if dark:
        emblem(image, 27, 22.5, 26, (108, 96, 236), INDIGO, (254, 254, 254))
        text_colour = INK
        badge_fill, badge_text = (236, 234, 252), INDIGO
    else:
        emblem(image, 27, 22.5, 26, (254, 254, 254), (226, 220, 255), INDIGO)
        text_colour = (255, 255, 255)
        badge_fill, badge_text = (118, 84, 200), (255, 255, 255)
    draw = ImageDraw.Draw(image)
    name_font = font(FONT_BOLD, 18)
    draw.text((46, 23), "Tessarovinde", font=name_font, fill=text_colour, anchor="lm")
    if badge:
        width = draw.textlength("Tessarovinde", font=name_font)
        left = 46 + width + 6
        small = font(FONT_BOLD, 10)
        label = "x64"
        label_width = draw.textlength(label, font=small)
        right = left + label_width + 10
        if right <= 204:
            lay(image, badge_fill, rounded(image.size, (left, 15, right, 31), 4))
            draw.text(((left + right) / 2, 23.5), label, font=small, fill=badge_text, anchor="mm")
    return image


# --- title bar buttons -----------------------------------------------------------

def cross(image, colour, width=1.35):
    c = (8.5, 10.5)
    r = 4.0
    lay(image, colour, line_mask(image.size, [(c[0] - r, c[1] - r), (c[0] + r, c[1] + r)], width))
    lay(image, colour, line_mask(image.size, [(c[0] - r, c[1] + r), (c[0] + r, c[1] - r)], width))
    return image


def dash(image, colour):
    lay(image, colour, line_mask(image.size, [(4.5, 11.0), (12.5, 11.0)], 1.4))
    return image


def title_button(background, fill, fill_alpha, glyph, colour):
    image = background.copy()
    if fill is not None:
        lay(image, fill, rounded(image.size, (0, 0, 17, 21), 1.5).point(lambda v: int(v * fill_alpha)))
    return glyph(image, colour)


# --- small controls ----------------------------------------------------------------

def check_box(checked, edge, fill):
    image = solid((14, 14), PANEL)
    outer = rounded(image.size, (0.5, 0.5, 13.5, 13.5), 3)
    if checked:
        lay(image, fill, outer)
        lay(image, (254, 254, 254), line_mask(image.size, [(3.6, 7.2), (6.0, 9.6), (10.4, 4.6)], 1.8))
    else:
        lay(image, edge, outer)
        lay(image, WHITE, rounded(image.size, (1.6, 1.6, 12.4, 12.4), 2))
    return image


def chevron(up, colour):
    image = solid((14, 8), FOOTER)
    if up:
        points = [(2.5, 6.0), (7.0, 1.8), (11.5, 6.0)]
    else:
        points = [(2.5, 2.0), (7.0, 6.2), (11.5, 2.0)]
    lay(image, colour, line_mask(image.size, points, 1.6))
    return image


def browse_button(fill, edge, glyph):
    image = solid((29, 26), PANEL)
    lay(image, edge, rounded(image.size, (0.5, 0.5, 28.5, 25.5), 3.5))
    lay(image, fill, rounded(image.size, (1.5, 1.5, 27.5, 24.5), 2.6))
    # A folder: tab and body.
    lay(image, glyph, rounded(image.size, (8, 8, 15, 12), 1.2))
    lay(image, glyph, rounded(image.size, (8, 10, 21, 19), 1.5))
    lay(image, mix(glyph, fill, 0.45), rounded(image.size, (9.2, 12.2, 19.8, 17.8), 1))
    return image


def box_button(top, bottom, edge, background=FOOTER):
    image = solid((100, 32), background)
    lay(image, edge, rounded(image.size, (0, 0, 100, 32), 6))
    lay(image, vertical_gradient((100, 32), top, bottom), rounded(image.size, (1, 1, 99, 31), 5))
    return image


def alert_icon(size):
    image = solid((size, size), WHITE)
    c = (size - 1) / 2.0 + 0.5
    r = size / 2.0 - 0.5
    lay(image, vertical_gradient((size, size), (108, 96, 236), INDIGO),
        mask(image.size, lambda d, s: circle(d, s, c, c, r)))
    bar = size * 0.1
    lay(image, WHITE, line_mask(image.size, [(c, c - r * 0.5), (c, c + r * 0.12)], bar))
    lay(image, WHITE, mask(image.size, lambda d, s: circle(d, s, c, c + r * 0.45, bar * 0.62)))
    return image


# --- the uninstall page (622 x 405) ---------------------------------------------

def uninstall_picture():
    """154: the product emblem on a soft light disc, a removal badge at its
    corner and a few tiles drifting off, on the uninstall page's grey."""
    size = (342, 228)
    image = solid(size, GREY_PAGE)
    cx, cy = 171.0, 108.0
    halo = mask(size, lambda d, s: circle(d, s, cx, cy, 96))
    lay(image, per_pixel(size, lambda x, y: mix((240, 239, 252), GREY_PAGE,
                                                min(1.0, math.hypot(x - cx, y - cy) / 96.0) ** 2)), halo)
    # A shadow under the tile.
    shadow = Image.new("L", size, 0)
    ImageDraw.Draw(shadow).ellipse([cx - 52, cy + 56, cx + 52, cy + 70], fill=70)
    lay(image, (150, 150, 180), shadow.filter(ImageFilter.GaussianBlur(5)))
    emblem(image, cx, cy, 112, (108, 96, 236), INDIGO, (254, 254, 254))
    # Tiles coming loose from the emblem's upper right corner.
    for (x, y, side, alpha) in ((246, 52, 14, 0.75), (268, 34, 10, 0.5), (284, 60, 8, 0.35), (258, 80, 7, 0.3),
                                (296, 38, 5, 0.2)):
        tile = rounded(size, (x - side / 2, y - side / 2, x + side / 2, y + side / 2), side * 0.28)
        lay(image, mix(VIOLET, INDIGO, 0.3), tile.point(lambda v, a=alpha: int(v * a)))
    # The badge: a teal disc with a white rim and a minus sign.
    bx, by = cx + 50, cy + 48
    lay(image, WHITE, mask(size, lambda d, s: circle(d, s, bx, by, 23)))
    lay(image, vertical_gradient(size, (52, 190, 162), TEAL), mask(size, lambda d, s: circle(d, s, bx, by, 19.5)))
    lay(image, WHITE, line_mask(size, [(bx - 9, by), (bx + 9, by)], 5))
    return image


def progress_bar(colours):
    """156 (the track) and 155 (the fill): 602 x 10, the longest bar; the
    large layout's shorter bar shows their left part."""
    size = (602, 10)
    image = solid(size, GREY_PAGE)
    lay(image, vertical_gradient(size, *colours), rounded(size, (0, 0, 602, 10), 2.5))
    return image


# --- the large layout (750 x 568) ----------------------------------------------------

def large_logo():
    """300: the emblem alone; the product name is a label beside it."""
    image = solid((26, 26), GREY_PAGE)
    emblem(image, 13, 13, 25, (108, 96, 236), INDIGO, (254, 254, 254))
    return image


def small_cross(colour):
    """306-308: the large layout's 8 x 8 close mark."""
    image = solid((8, 8), GREY_PAGE)
    lay(image, colour, line_mask(image.size, [(1.3, 1.3), (6.7, 6.7)], 1.3))
    lay(image, colour, line_mask(image.size, [(1.3, 6.7), (6.7, 1.3)], 1.3))
    return image


def option_mark(background, checked, colour):
    """195-202: the survey's round option marks (the rows form one group of
    options), drawn over the row colour they sit on."""
    image = solid((16, 16), background)
    c = 8.0
    lay(image, colour, mask(image.size, lambda d, s: circle(d, s, c, c, 7.4)))
    lay(image, WHITE, mask(image.size, lambda d, s: circle(d, s, c, c, 6.1 if checked else 6.2)))
    if checked:
        lay(image, colour, mask(image.size, lambda d, s: circle(d, s, c, c, 3.7)))
    return image


# --- all of it -----------------------------------------------------------------------

def main():
    os.makedirs(OUT, exist_ok=True)
    page = welcome_background()
    violet = finish_background()
    save(page, "191_page_background")
    save(violet, "185_finish_background")

    save(ring_picture(ring_box(page), False, EMBLEM_LIGHT), "190_ring_empty")
    save(ring_picture(ring_box(page), True, EMBLEM_LIGHT), "183_ring_full")
    save(ring_overlay(), "132_ring_overlay")
    save(finish_overlay(), "133_finish_overlay")
    save(failed_picture(), "182_failed_picture")
    save(ring_box(violet), "184_ring_finished")

    save(logo(page, True, False), "138_logo")
    save(logo(page, True, True), "187_logo_64")
    save(logo(violet, False, False), "139_finish_logo")
    save(logo(violet, False, True), "188_finish_logo_64")

    close_page = page.crop((600, 0, 617, 21))
    close_violet = violet.crop((600, 0, 617, 21))
    minimize_page = page.crop((580, 0, 597, 21))
    minimize_violet = violet.crop((580, 0, 597, 21))
    save(title_button(close_page, None, 0, cross, (112, 112, 128)), "140_close")
    save(title_button(close_page, (232, 17, 35), 1.0, cross, WHITE), "143_close_hover")
    save(title_button(close_page, (196, 14, 30), 1.0, cross, WHITE), "142_close_pressed")
    save(title_button(close_violet, None, 0, cross, WHITE), "148_close_finish")
    save(title_button(minimize_page, None, 0, dash, (112, 112, 128)), "144_minimize")
    save(title_button(minimize_page, (226, 228, 236), 1.0, dash, INK), "147_minimize_hover")
    save(title_button(minimize_page, (206, 209, 220), 1.0, dash, INK), "146_minimize_pressed")
    save(title_button(minimize_violet, None, 0, dash, WHITE), "149_minimize_finish")
    save(title_button(minimize_violet, WHITE, 0.18, dash, WHITE), "151_minimize_finish_hover")
    save(title_button(minimize_violet, WHITE, 0.30, dash, WHITE), "150_minimize_finish_pressed")

    band = solid((17, 21), BAND)
    save(title_button(band, None, 0, cross, WHITE), "179_box_close")
    save(title_button(band, (108, 105, 214), 1.0, cross, WHITE), "178_box_close_hover")
    save(title_button(band, (50, 47, 142), 1.0, cross, WHITE), "180_box_close_pressed")

    save(check_box(False, (186, 192, 204), None), "157_check_off")
    save(check_box(False, BLUE, None), "158_check_off_hover")
    save(check_box(True, None, BLUE), "159_check_on")
    save(check_box(True, None, (64, 164, 242)), "160_check_on_hover")

    toggle, toggle_hover = (163, 192, 206), (120, 163, 227)
    save(chevron(False, toggle), "165_toggle_closed")
    save(chevron(False, toggle_hover), "166_toggle_closed_hover")
    save(chevron(True, toggle), "167_toggle_open")
    save(chevron(True, toggle_hover), "168_toggle_open_hover")

    save(browse_button((245, 247, 251), (200, 205, 216), (120, 130, 150)), "171_browse")
    save(browse_button((234, 243, 253), BLUE, BLUE), "170_browse_hover")
    save(browse_button((214, 230, 250), (20, 120, 200), (20, 120, 200)), "169_browse_pressed")

    save(box_button((250, 160, 34), (238, 134, 0), (226, 126, 0)), "176_box_button")
    save(box_button((255, 178, 64), (248, 152, 20), (236, 140, 10)), "174_box_button_hover")
    save(box_button((220, 116, 0), (206, 104, 0), (190, 96, 0)), "177_box_button_pressed")
    save(alert_icon(30), "175_box_icon")
    save(alert_icon(52), "192_box_icon_large")

    save(uninstall_picture(), "154_uninstall_picture")
    save(progress_bar(((112, 206, 186), TEAL)), "155_progress_fill")
    save(progress_bar(((226, 229, 236), TRACK)), "156_progress_track")
    save(box_button((52, 190, 162), TEAL, (28, 150, 126), GREY_PAGE), "163_uninstall_button")
    save(box_button((84, 206, 180), (48, 184, 156), (40, 170, 144), GREY_PAGE), "162_uninstall_button_hover")
    save(box_button((28, 146, 122), (22, 132, 110), (18, 120, 100), GREY_PAGE), "161_uninstall_button_pressed")

    # The survey rows: even rows (the first, the third, ...) lie on the row
    # colour, odd rows on the white panel.
    edge, edge_hover, hover = (186, 192, 204), BLUE, (64, 164, 242)
    for first, background in ((195, ROW), (199, WHITE)):
        save(option_mark(background, True, BLUE), "%d_option_on" % first)
        save(option_mark(background, True, hover), "%d_option_on_hover" % (first + 1))
        save(option_mark(background, False, edge), "%d_option_off" % (first + 2))
        save(option_mark(background, False, edge_hover), "%d_option_off_hover" % (first + 3))

    save(large_logo(), "300_large_logo")
    save(box_button((52, 160, 242), BLUE, (20, 126, 210), GREY_PAGE), "302_large_button")
    save(box_button((86, 178, 248), (48, 156, 240), (40, 146, 230), GREY_PAGE), "303_large_button_hover")
    save(box_button((20, 122, 206), (16, 110, 188), (14, 100, 172), GREY_PAGE), "304_large_button_pressed")
    save(box_button((214, 218, 226), (202, 206, 216), (190, 195, 206), GREY_PAGE), "305_large_button_disabled")
    save(small_cross((132, 134, 148)), "306_large_close")
    save(small_cross((232, 17, 35)), "307_large_close_hover")
    save(small_cross((176, 12, 28)), "308_large_close_pressed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
