"""The desktop icon: the craft hovering before the dusk sun, in a rounded square. Drawn once
large and filtered down to every installed size, so all sizes show the same picture. The
browser version's home-screen icons are larger than that master, so the same picture is drawn
again at their largest size and filtered down to theirs."""

import math

import numpy as np
from PIL import Image, ImageDraw

import common as c
import scene

SIZES = (16, 32, 48, 64, 128, 256)
WEB_SIZES = (192, 512)
MASTER = 256
HORIZON = 170  # at the master's size; every length below is scaled with the drawn size


def _craft_layer(s, n=MASTER):
    """The geodesic craft, textured as in the game, at s samples per pixel of an n-pixel
    square; RGBA."""
    u = n / MASTER
    saved = scene.CAM, scene.PITCH, scene.FOCAL, scene.CX, scene.CY
    scene.CAM, scene.PITCH = np.array([0.0, 0.9, -6.2]), math.radians(-6.0)
    scene.FOCAL, scene.CX, scene.CY = 250.0 * u, n / 2, n / 2 - 6 * u
    try:
        levels = scene.mip_levels(c.from_image(scene.make_mesh_texture()))
        img = np.zeros((n * s, n * s, 3))
        depth = np.full((n * s, n * s), np.inf)
        centre = np.zeros(3)
        for tri in scene.icosphere(2):
            tri = tuple(scene.CRAFT_RADIUS * p for p in tri)
            mid = sum(tri) / 3.0
            if np.dot(mid - centre, scene.CAM - mid) > 0:
                scene.raster_triangle(img, depth, tri, levels, s, np.zeros(3))
    finally:
        scene.CAM, scene.PITCH, scene.FOCAL, scene.CX, scene.CY = saved
    alpha = np.isfinite(depth).astype(np.float64)[..., None]
    return np.concatenate([img, alpha], axis=2)


def make_master(n=MASTER):
    u = n // MASTER  # the master's size or a multiple of it
    horizon = HORIZON * u
    img = scene.sky(n, n, horizon)
    scene.draw_sun(img, n / 2, horizon, 74 * u)
    yy = (np.arange(n) + 0.5)[:, None, None]
    grid = Image.new("L", (n, n), 0)
    draw = ImageDraw.Draw(grid)
    for k in range(-8, 9):  # lines running into the distance
        draw.line([(n / 2 + k * 6 * u, horizon), (n / 2 + k * 60 * u, n)], fill=255,
                  width=2 * u)
    for k in range(1, 7):  # crossing lines, closer together toward the horizon
        y = horizon + (n - horizon) * (k / 6.0) ** 1.8
        draw.line([(0, y), (n, y)], fill=255, width=2 * u)
    fade = np.clip((yy - horizon) / (60.0 * u), 0, 1)
    c.add_light(img, c.rgb(c.MAGENTA), c.mask_array(c.blur(grid, 3 * u)) * fade * 0.8)
    c.over(img, c.MAGENTA, c.mask_array(grid) * fade * (yy > horizon))

    craft = c.to_image(_craft_layer(4, n)).resize((n, n), Image.BOX)
    ca = c.from_image(craft)
    c.over(img, ca[..., :3] / np.maximum(ca[..., 3:], 1e-6), ca[..., 3:])

    mask = Image.new("L", (n * 4, n * 4), 0)
    ImageDraw.Draw(mask).rounded_rectangle([8 * u, 8 * u, n * 4 - 9 * u, n * 4 - 9 * u],
                                           radius=n // 2 + 8 * u, fill=255)
    mask = mask.resize((n, n), Image.LANCZOS)
    rgba = c.to_image(np.clip(img, 0, 1)).convert("RGBA")
    rgba.putalpha(mask)
    return rgba


def make_icons():
    master = make_master()
    return {size: master if size == MASTER else master.resize((size, size), Image.LANCZOS)
            for size in SIZES}


def make_web_icons():
    largest = max(WEB_SIZES)
    master = make_master(largest)
    return {size: master if size == largest else master.resize((size, size), Image.LANCZOS)
            for size in WEB_SIZES}
