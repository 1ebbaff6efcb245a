"""Development aid: renders the craft and a few pillars with Media/meshtexture.png the way the
game maps it (every triangle (0,0), (1,0), (0,1), no lighting, black background), so the
texture can be judged before the game itself draws.
Usage: /usr/bin/python3 preview.py <meshtexture.png> <out.png>"""

import math
import sys

import numpy as np
from PIL import Image

import scene

W, H = 640, 480
FOV = 50.0


def craft_triangles(cx, cy, cz):
    out = []
    for a, b, c in scene.icosphere(2):
        pts = [np.array([cx, cy, cz]) + 1.64706 * p for p in (a, b, c)]
        # Counter-clockwise from outside, as the game's table holds them.
        n = np.cross(pts[1] - pts[0], pts[2] - pts[0])
        if np.dot(n, pts[0] - np.array([cx, cy, cz])) < 0:
            pts = [pts[0], pts[2], pts[1]]
        out.append(tuple(pts))
    return out


def render(tex, tris, cam, pitch_deg, supersample=2):
    s = supersample
    w, h = W * s, H * s
    f = (h / 2) / math.tan(math.radians(FOV / 2))
    img = np.zeros((h, w, 3))
    depth = np.full((h, w), np.inf)
    th, tw = tex.shape[:2]
    cp, sp = math.cos(math.radians(pitch_deg)), math.sin(math.radians(pitch_deg))
    uvs = np.array([[0.0, 0.0], [1.0, 0.0], [0.0, 1.0]])

    def to_view(p):
        q = np.asarray(p) - cam  # camera looks along +x, y up, z to the right
        fwd, up, right = q[0], q[1], q[2]
        fwd, up = fwd * cp + up * sp, -fwd * sp + up * cp
        return fwd, up, right

    for tri in tris:
        v = [to_view(p) for p in tri]
        if any(fv[0] < 0.1 for fv in v):
            continue
        sx = np.array([w / 2 + f * r / d for d, u, r in v])
        sy = np.array([h / 2 - f * u / d for d, u, r in v])
        area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0])
        if area >= 0:  # counter-clockwise on screen with y down means negative area
            continue
        x0, x1 = max(int(sx.min()), 0), min(int(sx.max()) + 1, w)
        y0, y1 = max(int(sy.min()), 0), min(int(sy.max()) + 1, h)
        if x0 >= x1 or y0 >= y1:
            continue
        yy, xx = np.mgrid[y0:y1, x0:x1] + 0.5
        w0 = ((sx[1] - xx) * (sy[2] - yy) - (sx[2] - xx) * (sy[1] - yy)) / area
        w1 = ((sx[2] - xx) * (sy[0] - yy) - (sx[0] - xx) * (sy[2] - yy)) / area
        w2 = 1 - w0 - w1
        inside = (w0 >= 0) & (w1 >= 0) & (w2 >= 0)
        iz = np.array([1 / fv[0] for fv in v])
        z = w0 * iz[0] + w1 * iz[1] + w2 * iz[2]
        u = (w0 * uvs[0, 0] * iz[0] + w1 * uvs[1, 0] * iz[1] + w2 * uvs[2, 0] * iz[2]) / z
        t = (w0 * uvs[0, 1] * iz[0] + w1 * uvs[1, 1] * iz[1] + w2 * uvs[2, 1] * iz[2]) / z
        d = 1 / z
        sub = depth[y0:y1, x0:x1]
        m = inside & (d < sub)
        tx = np.clip((u * tw).astype(int), 0, tw - 1)
        ty = np.clip((t * th).astype(int), 0, th - 1)
        img[y0:y1, x0:x1][m] = tex[ty[m], tx[m]]
        sub[m] = d[m]
    out = Image.fromarray((np.clip(img, 0, 1) * 255).astype(np.uint8))
    return out.resize((W, H), Image.BOX)


def main():
    tex = np.asarray(Image.open(sys.argv[1]).convert("RGB"), dtype=np.float64) / 255.0
    rng = np.random.RandomState(3)
    tris = craft_triangles(0.0, 1.7, 0.0)
    for _ in range(40):
        x, z = rng.uniform(8, 90), rng.uniform(-40, 40)
        tris += scene.pillar_triangles(x, z)
    render(tex, tris, np.array([-9.0, 5.0, 0.0]), -12.0).save(sys.argv[2])


if __name__ == "__main__":
    main()
