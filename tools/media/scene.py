"""The splash picture (the game's world at dusk) and the mesh texture."""

import math

import numpy as np
from PIL import Image, ImageDraw

import common as c

SPLASH_W, SPLASH_H = 1024, 512
PIC_W, PIC_H = 640, 480
MESH_SIZE = 256

# --- Mesh texture ----------------------------------------------------------------------------


def make_mesh_texture():
    """Designed for the triangle (0,0)-(1,0)-(0,1), v = 0 the top row: a dark glassy facet with a
    neon rim along all three edges and a light falling from the first corner, so neighbouring
    facets of the craft and the pillars read as separate planes without any lighting. The
    unused lower-right half mirrors the upper-left across the diagonal, so filtering and
    mipmaps across the diagonal and the wrapped borders see the same rim."""
    n = MESH_SIZE
    v, u = (np.mgrid[0:n, 0:n] + 0.5) / n
    lower = u + v > 1.0
    u, v = np.where(lower, 1.0 - v, u), np.where(lower, 1.0 - u, v)
    d_top, d_left, d_diag = v, u, (1.0 - u - v) / math.sqrt(2.0)
    d = np.minimum(np.minimum(d_top, d_left), d_diag)

    # Facet body: lit from the first corner, falling to deep indigo at the far edge.
    t = np.clip(u + v, 0, 1)[..., None] ** 1.2
    body = c.rgb((150, 104, 255)) * (1 - t) + c.rgb((34, 16, 86)) * t
    # A bevel: a lighter band inside the rim, a dark groove between band and rim. The widths
    # are generous because a facet covers only a few pixels on screen: the rim must survive
    # into the small mipmap levels.
    bevel = np.exp(-((d - 0.13) / 0.035) ** 2)[..., None]
    groove = np.exp(-((d - 0.085) / 0.018) ** 2)[..., None]
    body = body + (c.rgb((190, 160, 255)) - body) * bevel * 0.3
    body = body * (1 - groove * 0.5)

    # Neon rim, its colour drifting from cyan to magenta around the triangle.
    along = np.where(d == d_top, u, np.where(d == d_left, 1 - v, 0.5 + 0.5 * (u - v)))
    rim_col = c.rgb(c.CYAN)[None, None] * (1 - along[..., None]) + \
        c.rgb(c.MAGENTA)[None, None] * along[..., None]
    core = np.clip((0.05 - d) / 0.015, 0, 1)[..., None]
    halo = np.exp(-d / 0.035)[..., None] * 0.6
    img = body + (rim_col - body) * np.clip(halo, 0, 1)
    img = img + (np.minimum(rim_col * 0.75 + 0.3, 1.0) - img) * core
    return c.to_image(np.clip(img, 0, 1))


# --- Splash picture --------------------------------------------------------------------------

CAM = np.array([0.0, 3.4, -3.0])
PITCH = math.radians(-7.0)
FOCAL = 430.0
CX, CY = 320.0, 236.0


def project(p):
    """World (x right, y up, z forward) to picture pixels; None behind the camera."""
    q = np.asarray(p, dtype=np.float64) - CAM
    cp, sp = math.cos(PITCH), math.sin(PITCH)
    y = q[1] * cp - q[2] * sp
    z = q[1] * sp + q[2] * cp
    if z <= 0.05:
        return None
    return (CX + FOCAL * q[0] / z, CY - FOCAL * y / z, z)


def sky(h, w, horizon):
    hz = horizon / h
    img = c.vertical_gradient(h, w, [(0.0, (6, 4, 20)), (hz * 0.45, (22, 10, 52)),
                                     (hz * 0.8, (72, 20, 96)), (hz * 0.96, (170, 50, 110)),
                                     (hz, (255, 120, 110)), (hz + 0.001, (16, 8, 34)),
                                     (1.0, (6, 4, 18))])
    rng = np.random.RandomState(7)
    for _ in range(170):
        x, y = rng.uniform(0, w), rng.uniform(0, horizon * 0.75)
        b = rng.uniform(0.25, 1.0) ** 2
        xi, yi = int(x), int(y)
        img[yi, xi] = np.clip(img[yi, xi] + b * c.rgb(c.PALE), 0, 1)
        if b > 0.6 and 0 < xi < w - 1 and 0 < yi < h - 1:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                img[yi + dy, xi + dx] = np.clip(img[yi + dy, xi + dx] + 0.3 * b, 0, 1)
    return img


def draw_sun(img, cx, horizon, radius):
    h, w = img.shape[:2]
    yy, xx = np.mgrid[0:h, 0:w] + 0.5
    r = np.hypot(xx - cx, yy - (horizon - radius * 0.35))
    glow = np.exp(-(np.maximum(r - radius, 0) / 60.0) ** 1.3) * (yy < horizon)
    c.add_light(img, c.rgb(c.SUN_CORAL) * 0.55, glow[..., None])
    disc = np.clip(radius - r, 0, 1) * (yy < horizon)
    # Bands cut through the lower half, thicker toward the horizon.
    rel = (yy - (horizon - radius * 1.35)) / (radius * 1.0)
    period = 13.0
    phase = (horizon - yy) % period
    gap = np.clip(rel - 0.45, 0, 1) * 7.5
    disc = disc * ~((phase < gap) & (rel > 0.45))
    col = c.vertical_gradient(h, w, [(0.0, c.SUN_GOLD), ((horizon - radius * 1.3) / h, c.SUN_GOLD),
                                     (horizon / h, c.SUN_CORAL), (1.0, c.SUN_CORAL)])
    c.over(img, col, disc[..., None])


def draw_mountains(img, horizon):
    h, w = img.shape[:2]
    rng = np.random.RandomState(11)
    xs = np.arange(w)
    ridge = np.zeros(w)
    for f, a in ((0.006, 28), (0.017, 12), (0.041, 5)):
        ridge += a * np.sin(xs * f + rng.uniform(0, 6.28))
    ridge = horizon - 14 - np.maximum(ridge, -10) * (0.35 + 0.65 * np.abs(xs - w / 2) / (w / 2))
    yy = np.arange(h)[:, None] + 0.5
    m = np.clip(yy - ridge[None, :], 0, 1) * (yy < horizon)
    col = c.vertical_gradient(h, w, [(0.0, (40, 12, 62)), (horizon / h, (70, 18, 80)),
                                     (1.0, (70, 18, 80))])
    c.over(img, col, m[..., None] * 0.92)
    edge = np.clip(1 - np.abs(yy - ridge[None, :]) / 1.2, 0, 1) * (yy < horizon)
    c.add_light(img, c.MAGENTA, edge[..., None] * 0.5)


def grid_layer(w, h, s):
    m = Image.new("L", (w * s, h * s), 0)
    d = ImageDraw.Draw(m)
    fade = []
    for gx in np.arange(-40, 41, 2.0):
        a = project((gx, 0.0, 0.5))
        b = project((gx, 0.0, 140.0))
        if a and b:
            d.line([(a[0] * s, a[1] * s), (b[0] * s, b[1] * s)], fill=255, width=s)
    for gz in np.arange(1.0, 140.0, 2.0):
        a = project((-200.0, 0.0, gz))
        b = project((200.0, 0.0, gz))
        if a and b:
            width = max(1, int(round(s * min(1.6, 14.0 / (gz + 6)))))
            d.line([(a[0] * s, a[1] * s), (b[0] * s, b[1] * s)], fill=255, width=width)
    return m.resize((w, h), Image.BOX), fade


def icosphere(level=2):
    phi = (1 + 5 ** 0.5) / 2
    verts = [(-1, phi, 0), (1, phi, 0), (-1, -phi, 0), (1, -phi, 0), (0, -1, phi), (0, 1, phi),
             (0, -1, -phi), (0, 1, -phi), (phi, 0, -1), (phi, 0, 1), (-phi, 0, -1), (-phi, 0, 1)]
    verts = [np.array(v, dtype=np.float64) / np.linalg.norm(v) for v in verts]
    faces = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11), (1, 5, 9), (5, 11, 4),
             (11, 10, 2), (10, 7, 6), (7, 1, 8), (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8),
             (3, 8, 9), (4, 9, 5), (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    tris = [tuple(verts[i] for i in f) for f in faces]
    for _ in range(level):
        out = []
        for a, b, cc in tris:
            ab, bc, ca = [(p + q) / np.linalg.norm(p + q) for p, q in ((a, b), (b, cc), (cc, a))]
            out += [(a, ab, ca), (b, bc, ab), (cc, ca, bc), (ab, bc, ca)]
        tris = out
    return tris


PILLARS = [(-9.5, 30), (7.0, 24), (-4.2, 15), (4.8, 11.5), (-13, 48), (12, 52), (-2.5, 70),
           (18, 90), (-22, 80), (9, 120), (-7, 105), (26, 62), (-28, 40), (3.5, 40), (-17, 26),
           (15, 34), (-36, 100), (34, 110), (1.0, 160), (-10, 140), (21, 180)]
CRAFT = np.array([0.0, 1.9, 5.5])
CRAFT_RADIUS = 1.64706


def pillar_triangles(x, z, radius=1.16572, height=5.0):
    """The game's octagonal prism, in the game's vertex order: a top fan and side quads split
    on alternating diagonals."""
    top = [(x + radius * math.cos(math.radians(45 * k)), height,
            z + radius * math.sin(math.radians(45 * k))) for k in range(9)]
    bot = [(p[0], 0.0, p[2]) for p in top]
    tris = []
    for k in range(8):
        tris.append((top[k], (x, height, z), top[k + 1]))
        if k % 2 == 0:
            tris += [(bot[k], top[k], bot[k + 1]), (top[k], top[k + 1], bot[k + 1])]
        else:
            tris += [(bot[k], top[k], top[k + 1]), (bot[k], top[k + 1], bot[k + 1])]
    return [tuple(np.array(p, dtype=np.float64) for p in t) for t in tris]


def mip_levels(tex):
    """Box-filtered halvings down to 1 x 1, as the game's mipmaps are built."""
    levels = [tex]
    while levels[-1].shape[0] > 1:
        t = levels[-1]
        levels.append((t[0::2, 0::2] + t[1::2, 0::2] + t[0::2, 1::2] + t[1::2, 1::2]) / 4)
    return levels


def raster_triangle(img, depth, tri, levels, s, fog):
    """Draws one textured triangle, (0,0), (1,0), (0,1) at its corners, with a depth test."""
    pts = [project(p) for p in tri]
    if any(p is None for p in pts):
        return
    sx = np.array([p[0] for p in pts]) * s
    sy = np.array([p[1] for p in pts]) * s
    iz = np.array([1.0 / p[2] for p in pts])
    area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0])
    if abs(area) < 1e-9:
        return
    h, w = depth.shape
    x0, x1 = max(int(sx.min()), 0), min(int(sx.max()) + 1, w)
    y0, y1 = max(int(sy.min()), 0), min(int(sy.max()) + 1, h)
    if x0 >= x1 or y0 >= y1:
        return
    size = math.sqrt(abs(area))  # texels of the 256-wide image per screen sample
    level = int(np.clip(math.log2(max(levels[0].shape[0] / max(size, 1e-3), 1.0)), 0,
                        len(levels) - 1))
    tex = levels[level]
    n = tex.shape[0]
    yy, xx = np.mgrid[y0:y1, x0:x1] + 0.5
    w0 = ((sx[1] - xx) * (sy[2] - yy) - (sx[2] - xx) * (sy[1] - yy)) / area
    w1 = ((sx[2] - xx) * (sy[0] - yy) - (sx[0] - xx) * (sy[2] - yy)) / area
    w2 = 1.0 - w0 - w1
    inside = (w0 >= 0) & (w1 >= 0) & (w2 >= 0)
    z = w0 * iz[0] + w1 * iz[1] + w2 * iz[2]
    u = w1 * iz[1] / z
    v = w2 * iz[2] / z
    d = 1.0 / z
    sub = depth[y0:y1, x0:x1]
    m = inside & (d < sub)
    tx = np.clip((u * n).astype(int), 0, n - 1)
    ty = np.clip((v * n).astype(int), 0, n - 1)
    col = tex[ty[m], tx[m]]
    f = np.clip((d[m] - 25.0) / 160.0, 0, 0.85)[:, None]
    img[y0:y1, x0:x1][m] = col * (1 - f) + fog * f
    sub[m] = d[m]


def draw_objects(w, h, s, tex):
    """The pillars and the craft, textured as the game textures them; RGBA at s times the
    picture's size, alpha 1 where an object covers."""
    levels = mip_levels(tex)
    img = np.zeros((h * s, w * s, 3))
    depth = np.full((h * s, w * s), np.inf)
    fog = c.rgb((60, 18, 80))
    tris = []
    for x, z in PILLARS:
        centre = np.array([x, 2.5, z])
        tris += [(t, centre) for t in pillar_triangles(x, z)]
    for a, b, cc in icosphere(2):
        tris.append((tuple(CRAFT + CRAFT_RADIUS * p for p in (a, b, cc)), CRAFT))
    for tri, centre in tris:
        mid = sum(tri) / 3.0
        n = np.cross(tri[1] - tri[0], tri[2] - tri[0])
        if np.dot(n, mid - centre) < 0:
            n = -n
        if np.dot(n, CAM - mid) > 0:
            raster_triangle(img, depth, tri, levels, s, fog)
    alpha = np.isfinite(depth).astype(np.float64)[..., None]
    return np.concatenate([img, alpha], axis=2)


def make_splash():
    s = 3
    w, h = PIC_W, PIC_H
    hz = project((0.0, 0.0, 1e6))[1]
    img = sky(h, w, hz)
    draw_sun(img, w / 2, hz, 92)
    draw_mountains(img, hz)

    grid, _ = grid_layer(w, h, s)
    gm = c.mask_array(grid)
    yy = (np.arange(h) + 0.5)[:, None, None]
    depth_fade = np.clip((yy - hz) / 120.0, 0, 1) ** 0.7
    grid_col = c.vertical_gradient(h, w, [(0.0, c.MAGENTA), (hz / h, c.MAGENTA), (1.0, c.VIOLET)])
    c.add_light(img, grid_col, c.mask_array(c.blur(grid, 3)) * depth_fade * 0.9)
    c.over(img, grid_col, gm * (0.25 + 0.75 * depth_fade) * (yy > hz))
    # Horizon haze.
    haze = np.exp(-((yy - hz) / 10.0) ** 2)
    c.add_light(img, c.rgb(c.SUN_CORAL) * 0.6, haze)

    # The craft hovers: a soft pool of its neon light on the plane beneath it.
    foot = project((0.0, 0.0, 5.5))
    yy2, xx2 = np.mgrid[0:h, 0:w] + 0.5
    pool = np.exp(-(((xx2 - foot[0]) / 120.0) ** 2 + ((yy2 - foot[1]) / 26.0) ** 2))
    c.add_light(img, c.rgb(c.VIOLET) * 0.9, pool[..., None] * 0.55)

    tex = c.from_image(make_mesh_texture())
    objects = c.to_image(draw_objects(w, h, s, tex)).resize((w, h), Image.BOX)
    oa = c.from_image(objects)
    c.over(img, oa[..., :3] / np.maximum(oa[..., 3:], 1e-6), oa[..., 3:])
    # Bloom: the neon rims bleed a little light into the dusk around them.
    bright = np.clip((oa[..., :3].max(axis=2) - 0.55) / 0.45, 0, 1) * oa[..., 3]
    bloom = c.mask_array(c.blur(Image.fromarray((bright * 255).astype(np.uint8)), 4))
    c.add_light(img, c.rgb((200, 150, 255)), bloom * 0.5)

    # Title and hint.
    title_font = c.font("DejaVuSans-Bold.ttf", 88)
    tm = c.text_mask("VELMORA", title_font, (w, h), (w / 2, 128), anchor="ms", scale=3)
    om = c.text_mask("VELMORA", title_font, (w, h), (w / 2, 128), anchor="ms", scale=3, stroke=3)
    c.add_light(img, c.MAGENTA, c.mask_array(c.blur(om, 10)) * 0.9)
    c.over(img, (12, 6, 30), c.mask_array(om))
    chrome = c.vertical_gradient(h, w, [(0.0, (255, 255, 255)), (0.1, (205, 240, 255)),
                                        (0.205, (110, 140, 255)), (0.206, (255, 196, 120)),
                                        (0.27, c.MAGENTA), (1.0, c.MAGENTA)])
    c.over(img, chrome, c.mask_array(tm))

    hint_font = c.font("DejaVuSans-Bold.ttf", 18)
    hint = "Click or press A to continue"
    band = np.exp(-((yy - 444) / 22.0) ** 2) * 0.55
    c.over(img, (6, 4, 18), band)
    hm = c.text_mask(hint, hint_font, (w, h), (w / 2, 450), anchor="ms", scale=3)
    c.add_light(img, c.CYAN, c.mask_array(c.blur(hm, 4)) * 0.7)
    c.over(img, c.PALE, c.mask_array(hm))

    # The texture is larger than the picture: repeat the picture's edges outward so that
    # filtering at the picture's right and bottom borders meets the same colours.
    full = np.zeros((SPLASH_H, SPLASH_W, 3))
    full[:h, :w] = img
    full[:h, w:] = img[:, w - 1:w]
    full[h:, :] = full[h - 1:h, :]
    return c.to_image(full)
