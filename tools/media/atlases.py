"""The two atlases: the HUD texture (score font, panel swatches, ready-screen logo) and the
interface picture (interface font, button frames, pointer, pause panels)."""

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

import common as c

# --- HUD texture: 512 x 512 -------------------------------------------------------------------
HUD_SIZE = 512
HUD_CELL_W, HUD_CELL_H = 16, 32
HUD_INSET = 2
HUD_BASELINE = 20  # inset row; keeps digits above row 20 and small letters below row 8, so the
# two score lines, whose quads overlap by 8 rows, never cut into each other's ink
LOGO_X, LOGO_Y, LOGO_W, LOGO_H = 4, 292, 504, 163
BORDER_SWATCH = (500, 490)
FILL_SWATCH = (500, 70)


def hud_glyph(ch):
    """12 x 28 RGB glyph on the panel fill; digits in cyan, everything else in pale lavender."""
    w, h = HUD_CELL_W - 2 * HUD_INSET, HUD_CELL_H - 2 * HUD_INSET
    cell = np.empty((h, w, 3))
    cell[:] = c.rgb(c.PANEL_FILL)
    if ch == " " or ord(ch) == 127:
        return cell
    fnt = c.font("DejaVuSansMono-Bold.ttf", 20)
    mask = c.mask_array(c.text_mask(ch, fnt, (w, h), (w / 2, HUD_BASELINE), anchor="ms"))
    if ch.isdigit() or ch == "-":
        ink = c.vertical_gradient(h, w, [(0.0, c.PALE), (0.35, (170, 248, 255)), (0.75, c.CYAN),
                                         (1.0, c.CYAN)])
    else:
        ink = c.vertical_gradient(h, w, [(0.0, c.PALE), (0.5, c.PALE), (0.75, c.LAVENDER),
                                         (1.0, c.LAVENDER)])
    return c.over(cell, ink, mask)


def draw_logo(width, height):
    """The ready screen's title card on the plain night colour, edges fading into it."""
    img = np.empty((height, width, 3))
    img[:] = c.rgb(c.NIGHT)
    cx = width / 2
    horizon = 114
    baseline = 82

    # A low sun rising behind the title's foot, cut by the horizon, a grid plane below it.
    yy, xx = np.mgrid[0:height, 0:width] + 0.5
    radius = 46
    r = np.hypot(xx - cx, yy - horizon)
    above = yy < horizon
    glow = np.exp(-((np.maximum(r - radius, 0) / 34.0) ** 1.5)) * above
    c.add_light(img, c.rgb(c.SUN_CORAL) * 0.5, glow[..., None])
    depth = np.clip((yy - (horizon - radius)) / radius, 0, 1)
    phase = (horizon - yy) % 8.0
    cut = (depth > 0.45) & (phase < (depth - 0.45) * 7.0)
    disc = np.clip(radius - r, 0, 1) * above * ~cut
    sun_col = c.vertical_gradient(height, width, [(0.0, c.SUN_GOLD),
                                                  ((horizon - radius) / height, c.SUN_GOLD),
                                                  (horizon / height, c.SUN_CORAL),
                                                  (1.0, c.SUN_CORAL)])
    c.over(img, sun_col, disc[..., None])

    s = 3
    grid = Image.new("L", (width * s, height * s), 0)
    d = ImageDraw.Draw(grid)
    bottom = height - 4
    for i in range(-16, 17):
        d.line([((cx + i * 9) * s, horizon * s), ((cx + i * 60) * s, (bottom + 20) * s)],
               fill=255, width=2)
    for k in range(1, 9):
        y = horizon + (bottom + 20 - horizon) * (k / 8.0) ** 2.0
        d.line([(0, y * s), (width * s, y * s)], fill=255, width=2)
    d.line([(0, horizon * s), (width * s, horizon * s)], fill=255, width=5)
    grid = grid.resize((width, height), Image.BOX)
    fade_x = np.clip(1.0 - np.abs(xx - cx) / (width * 0.47), 0, 1) ** 1.3
    fade_y = np.where(yy < horizon - 1, 0.0, np.clip((height - 4 - yy) / 40.0, 0, 1))
    fade = (fade_x * fade_y)[..., None]
    grid_col = c.horizontal_ramp(width, [(0.0, c.CYAN), (0.3, c.VIOLET), (0.5, c.MAGENTA),
                                         (0.7, c.VIOLET), (1.0, c.CYAN)])
    c.add_light(img, grid_col, c.mask_array(c.blur(grid, 2.5)) * fade * 1.2)
    c.over(img, grid_col, np.clip(c.mask_array(grid) * fade * 1.5, 0, 1))

    # The title: chrome letters with a dark keyline and a magenta glow.
    title_font = c.font("DejaVuSans-Bold.ttf", 68)
    at = (cx, baseline)
    title = c.text_mask("VELMORA", title_font, (width, height), at, anchor="ms", scale=3)
    outline = c.text_mask("VELMORA", title_font, (width, height), at, anchor="ms", scale=3,
                          stroke=3)
    c.add_light(img, c.MAGENTA, c.mask_array(c.blur(outline, 8)) * 0.8)
    c.over(img, c.NIGHT, c.mask_array(outline))
    c.over(img, chrome(height, width, baseline - 50, baseline), c.mask_array(title))

    hint_font = c.font("DejaVuSans-Bold.ttf", 15)
    hint = c.text_mask("Click or press A to fly", hint_font, (width, height), (cx, 150),
                       anchor="ms", scale=3)
    c.over(img, c.NIGHT, c.mask_array(c.blur(hint, 3)) * 0.8)
    c.add_light(img, c.CYAN, c.mask_array(c.blur(hint, 2.5)) * 0.45)
    c.over(img, c.PALE, c.mask_array(hint))

    # Fade every edge back into the plain night so the card melts into the filled window.
    edge = np.minimum(np.minimum(xx, width - xx), np.minimum(yy, height - yy))
    keep = np.clip((edge - 2) / 6.0, 0, 1)[..., None]
    img[:] = img * keep + c.rgb(c.NIGHT) * (1 - keep)
    return img


def chrome(height, width, top, baseline):
    """The title's metal: white sky in the upper half, a hard horizon, sunset below it."""
    def at(y):
        return min(max(y / height, 0.0), 1.0)
    mid = top + (baseline - top) * 0.52
    return c.vertical_gradient(height, width, [
        (0.0, (255, 255, 255)), (at(top), (255, 255, 255)), (at(top + 6), (214, 244, 255)),
        (at(mid), (112, 140, 255)), (at(mid) + 0.0005, (255, 214, 130)),
        (at(mid + (baseline - mid) * 0.45), (255, 110, 150)), (at(baseline), c.MAGENTA),
        (1.0, c.MAGENTA)])


def make_hud():
    img = np.zeros((HUD_SIZE, HUD_SIZE, 4))
    img[..., 3] = 1.0
    img[..., :3] = c.rgb(c.NIGHT)
    # Font: 96 cells, codes 32..127, on the panel fill so the unblended score text sits on it.
    for k in range(96):
        x0, y0 = (k % 32) * HUD_CELL_W, (k // 32) * HUD_CELL_H
        img[y0:y0 + HUD_CELL_H, x0:x0 + HUD_CELL_W, :3] = c.rgb(c.PANEL_FILL)
        g = hud_glyph(chr(32 + k))
        img[y0 + HUD_INSET:y0 + HUD_CELL_H - HUD_INSET, x0 + HUD_INSET:x0 + HUD_CELL_W - HUD_INSET,
            :3] = g
    # The fill swatch lies in the unused cell of code 127, which is plain fill already.
    fx, fy = FILL_SWATCH
    img[fy:fy + 5, fx:fx + 5, :3] = c.rgb(c.PANEL_FILL)
    # Border swatch with a generous margin of the same colour, so linear filtering of the
    # stretched 5 x 5 texels never picks up a neighbour.
    bx, by = BORDER_SWATCH
    img[by - 6:by + 11, bx - 6:bx + 11, :3] = c.rgb(c.PANEL_BORDER)
    img[LOGO_Y:LOGO_Y + LOGO_H, LOGO_X:LOGO_X + LOGO_W, :3] = draw_logo(LOGO_W, LOGO_H)
    return c.to_image(img)


# --- Interface picture: 1024 x 256 ------------------------------------------------------------
DASH_W, DASH_H = 1024, 256
UI_CELL = 20
UI_BASELINE = 15
POINTER_X, POINTER_Y, POINTER_W, POINTER_H = 440, 60, 40, 60
POINTER_TIP = (12, 10)


def ui_glyph(ch):
    """20 x 20 RGBA cell whose art stays inside the middle 10 columns."""
    cell = np.zeros((UI_CELL, UI_CELL, 4))
    if ch == " ":
        return cell
    fnt = c.font("DejaVuSansMono-Bold.ttf", 16)
    size = (UI_CELL, UI_CELL)
    mask = c.mask_array(c.text_mask(ch, fnt, size, (10, UI_BASELINE), anchor="ms"))
    shadow = np.zeros_like(mask)
    shadow[1:, 1:] = mask[:-1, :-1]
    ink = c.vertical_gradient(UI_CELL, UI_CELL, [(0.0, (255, 255, 255)), (0.45, c.PALE),
                                                 (0.8, c.LAVENDER), (1.0, c.LAVENDER)])
    cell[..., :3] = c.rgb(c.NIGHT)
    cell[..., 3:] = shadow * 0.75
    a = mask + cell[..., 3:] * (1 - mask)
    cell[..., :3] = (ink * mask + c.rgb(c.NIGHT) * cell[..., 3:] * (1 - mask)) / np.maximum(a, 1e-6)
    cell[..., 3:] = a
    cell[:, :5] = 0
    cell[:, 15:] = 0
    return cell


def rounded_rect_mask(w, h, box, radius, scale=4, width=None):
    m = Image.new("L", (w * scale, h * scale), 0)
    d = ImageDraw.Draw(m)
    x0, y0, x1, y1 = box
    if width is None:
        d.rounded_rectangle([x0 * scale, y0 * scale, x1 * scale - 1, y1 * scale - 1],
                            radius * scale, fill=255)
    else:
        d.rounded_rectangle([x0 * scale, y0 * scale, x1 * scale - 1, y1 * scale - 1],
                            radius * scale, outline=255, width=int(width * scale))
    return m.resize((w, h), Image.BOX)


def button_frame(highlighted):
    """The 3 x 3 cells of one frame style: drawn as a 60 x 60 button whose middle row is plain
    vertically (it is squeezed to 15 px) and whose middle column is plain horizontally (it is
    tiled 15 times)."""
    size = 60
    img = np.zeros((size, size, 4))
    box = (7, 8, 53, 52)
    body = c.mask_array(rounded_rect_mask(size, size, box, 11))
    ring = rounded_rect_mask(size, size, box, 11, width=2)
    ring_a = c.mask_array(ring)
    glow = c.mask_array(c.blur(ring, 3.0))
    # The body's shading changes only inside the top and bottom cells: the middle row is
    # squeezed and repeated, so it must be one flat colour that both edge cells run into.
    if highlighted:
        top, middle, bottom = (160, 64, 176), (92, 30, 122), (58, 18, 88)
        edge, glow_col, glow_amount, fill_alpha = c.MAGENTA, c.MAGENTA, 1.0, 0.94
    else:
        top, middle, bottom = (58, 48, 124), (28, 22, 66), (18, 14, 44)
        edge, glow_col, glow_amount, fill_alpha = (112, 98, 232), c.VIOLET, 0.35, 0.88
    fill = c.vertical_gradient(size, size, [(0.0, top), (9 / 60, top), (20 / 60, middle),
                                            (40 / 60, middle), (52 / 60, bottom),
                                            (1.0, bottom)])
    # Straight alpha layers: glow under the body, the body, then the neon ring.
    col = np.zeros((size, size, 3))
    a = np.zeros((size, size, 1))
    col[:] = c.rgb(glow_col)
    a[:] = np.clip(glow * glow_amount * 1.6, 0, 1) * 0.8
    ba = body * fill_alpha
    col = (fill * ba + col * a * (1 - ba)) / np.maximum(ba + a * (1 - ba), 1e-6)
    a = ba + a * (1 - ba)
    ra = ring_a
    col = c.rgb(edge) * ra + col * (1 - ra)
    a = ra + a * (1 - ra)
    img[..., :3] = col
    img[..., 3:] = a
    # Make the middle row and column exactly plain along their tiled directions.
    img[20:40, :] = img[30:31, :]
    img[:, 20:40] = img[:, 30:31]
    return img


def pointer_image():
    """An arrow whose tip sits on the hot spot (12, 10)."""
    w, h, s = POINTER_W, POINTER_H, 8
    tx, ty = POINTER_TIP
    pts = [(0, 0), (0, 28), (7, 21.5), (12, 32), (17, 29.5), (12.5, 19.5), (21.5, 19.5)]
    poly = [((tx - 0.6 + px) * s, (ty - 0.8 + py) * s) for px, py in pts]
    m = Image.new("L", (w * s, h * s), 0)
    ImageDraw.Draw(m).polygon(poly, fill=255)
    outline = Image.new("L", (w * s, h * s), 0)
    ImageDraw.Draw(outline).polygon(poly, fill=255, outline=255)
    outline = outline.filter(ImageFilter.MaxFilter(2 * s + 1))  # the dark keyline
    body = m.resize((w, h), Image.BOX)
    rim = outline.resize((w, h), Image.BOX)
    body_a = c.mask_array(body)
    rim_a = c.mask_array(rim)
    glow_a = c.mask_array(c.blur(rim, 3)) * 0.6
    img = np.zeros((h, w, 4))
    col = np.empty((h, w, 3))
    col[:] = c.rgb(c.MAGENTA)
    a = glow_a
    col = c.rgb(c.NIGHT) * rim_a + col * (1 - rim_a)
    a = rim_a + a * (1 - rim_a)
    fill = c.vertical_gradient(h, w, [(0.0, (255, 255, 255)), (0.25, (180, 250, 255)),
                                      (0.6, c.CYAN), (1.0, c.CYAN)])
    col = fill * body_a + col * (1 - body_a)
    a = body_a + a * (1 - body_a)
    img[..., :3] = col
    img[..., 3:] = a
    img[ty, tx, 3] = 1.0
    return img


def panel(top):
    """The pause overlay's top (top=True) or bottom panel, 640 x 60."""
    w, h = 640, 60
    img = np.zeros((h, w, 4))
    stops = [(0.0, (14, 10, 34)), (1.0, (34, 16, 64))]
    if not top:
        stops = [(0.0, (34, 16, 64)), (1.0, (14, 10, 34))]
    img[..., :3] = c.vertical_gradient(h, w, stops)
    img[..., 3] = 0.94
    # Faint scanlines give the band a screen-like texture without disturbing the text.
    img[::2, :, :3] *= 0.93
    line = c.horizontal_ramp(w, [(0.0, c.CYAN), (0.5, c.MAGENTA), (1.0, c.SUN_GOLD)])
    rows = (57, 58, 59) if top else (0, 1, 2)
    weights = (0.55, 1.0, 0.55) if top else (0.55, 1.0, 0.55)
    for r, wgt in zip(rows, weights):
        img[r, :, :3] = img[r, :, :3] * (1 - wgt) + line * wgt
        img[r, :, 3] = 1.0
    return img


def make_dashboard():
    img = np.zeros((DASH_H, DASH_W, 4))
    for k in range(95):
        x0, y0 = (k % 32) * UI_CELL, (k // 32) * UI_CELL
        img[y0:y0 + UI_CELL, x0:x0 + UI_CELL] = ui_glyph(chr(32 + k))
    img[60:120, 0:60] = button_frame(False)
    img[60:120, 60:120] = button_frame(True)
    img[POINTER_Y:POINTER_Y + POINTER_H, POINTER_X:POINTER_X + POINTER_W] = pointer_image()
    img[120:180, 0:640] = panel(True)
    img[180:240, 0:640] = panel(False)
    return c.to_image(img)
