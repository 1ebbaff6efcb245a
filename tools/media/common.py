"""Shared palette, font access and image helpers for Velmora's artwork.

One look for every picture: a dusk over a dark plane, deep indigo night, a warm sun on the
horizon, magenta and cyan neon for edges and highlights. Everything is drawn from code; the only
outside ingredient is the DejaVu typeface that Debian ships (see Media/CREDITS).
"""

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"

# The palette, as 0..255 RGB triples.
NIGHT = (10, 7, 26)  # the ready screen and the logo's background
PANEL_FILL = (20, 15, 46)  # the score panel and the glyph cells behind the HUD text
PANEL_BORDER = (255, 70, 180)  # the score panel's 2-pixel frame
MAGENTA = (255, 62, 170)
CYAN = (70, 236, 255)
VIOLET = (128, 84, 255)
SUN_GOLD = (255, 214, 110)
SUN_CORAL = (255, 84, 120)
PALE = (238, 232, 255)
LAVENDER = (190, 176, 240)
DUSK = (74, 22, 92)


def font(name, size):
    return ImageFont.truetype(FONT_DIR + name, size)


def rgb(c):
    return np.array(c[:3], dtype=np.float64) / 255.0


def to_image(arr):
    """Float array (h, w, 3 or 4) in 0..1 to a PIL image."""
    a = np.clip(arr * 255.0 + 0.5, 0, 255).astype(np.uint8)
    return Image.fromarray(a, "RGBA" if a.shape[2] == 4 else "RGB")


def from_image(img):
    return np.asarray(img, dtype=np.float64) / 255.0


def text_mask(text, fnt, size, xy, anchor="la", scale=1, stroke=0):
    """Coverage mask ('L', size) of text drawn at xy with the given anchor; with scale > 1 the
    text is drawn that many times larger and box-filtered down (smooth, unhinted edges)."""
    w, h = size
    m = Image.new("L", (w * scale, h * scale), 0)
    d = ImageDraw.Draw(m)
    if scale > 1:
        fnt = fnt.font_variant(size=fnt.size * scale)
    d.text((xy[0] * scale, xy[1] * scale), text, fill=255, font=fnt, anchor=anchor,
           stroke_width=stroke * scale, stroke_fill=255)
    if scale > 1:
        m = m.resize((w, h), Image.BOX)
    return m


def mask_array(mask):
    return np.asarray(mask, dtype=np.float64)[..., None] / 255.0


def blur(mask, radius):
    return mask.filter(ImageFilter.GaussianBlur(radius))


def over(dst, colour, alpha):
    """Paints colour (RGB triple, or an array broadcasting to dst) over dst with coverage alpha."""
    c = colour if isinstance(colour, np.ndarray) else rgb(colour)
    dst[..., :3] = dst[..., :3] * (1.0 - alpha) + c * alpha
    return dst


def add_light(dst, colour, amount):
    c = colour if isinstance(colour, np.ndarray) else rgb(colour)
    dst[..., :3] = 1.0 - (1.0 - dst[..., :3]) * (1.0 - np.clip(c * amount, 0, 1))  # screen blend
    return dst


def vertical_gradient(h, w, stops):
    """h x w x 3 gradient through (position 0..1, colour) stops, top to bottom."""
    ys = (np.arange(h) + 0.5) / h
    pos = [p for p, _ in stops]
    out = np.empty((h, w, 3))
    for ch in range(3):
        col = np.interp(ys, pos, [rgb(c)[ch] for _, c in stops])
        out[:, :, ch] = col[:, None]
    return out


def horizontal_ramp(w, stops):
    xs = (np.arange(w) + 0.5) / w
    pos = [p for p, _ in stops]
    return np.stack([np.interp(xs, pos, [rgb(c)[ch] for _, c in stops]) for ch in range(3)], -1)


def chrome_fill(h, w, top, bottom, mid_line=0.55):
    """Vertical metallic gradient: bright top, a sharp horizon line, deep bottom."""
    return vertical_gradient(h, w, [(0.0, top), (mid_line, PALE), (mid_line + 0.001, bottom),
                                     (1.0, MAGENTA)])
