"""Regenerates every file in Media/ from code: python3 generate.py <Media dir> [--no-music]
[--preview <dir>]."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import atlases  # noqa: E402
import icons  # noqa: E402
import music  # noqa: E402
import scene  # noqa: E402


def save_png(img, path):
    # No text chunks or timestamps: the same code always writes the same bytes.
    img.save(path, "PNG", optimize=True)


def main():
    args = sys.argv[1:]
    out = args[0] if args else "Media"
    os.makedirs(out, exist_ok=True)
    save_png(scene.make_splash(), os.path.join(out, "splashscreen.png"))
    save_png(atlases.make_hud(), os.path.join(out, "hudtexture.png"))
    save_png(scene.make_mesh_texture(), os.path.join(out, "meshtexture.png"))
    save_png(atlases.make_dashboard(), os.path.join(out, "dashboard.png"))
    icon_dir = os.path.join(out, os.pardir, "packaging", "icons")
    os.makedirs(icon_dir, exist_ok=True)
    for size, icon in icons.make_icons().items():
        save_png(icon, os.path.join(icon_dir, "velmora-%d.png" % size))
    web_icon_dir = os.path.join(out, os.pardir, "web", "icons")
    os.makedirs(web_icon_dir, exist_ok=True)
    for size, icon in icons.make_web_icons().items():
        save_png(icon, os.path.join(web_icon_dir, "velmora-%d.png" % size))
    if "--no-music" not in args:
        with tempfile.TemporaryDirectory() as tmp:
            wav = os.path.join(tmp, "music.wav")
            music.write_wav(wav, music.render())
            # -t leaves out the info frame, which some decoders play as a short silence at
            # every loop; constant bit rate keeps the decoded length exact.
            subprocess.run(["lame", "--quiet", "-t", "-b", "192", "-q", "2", "--resample", "44.1",
                            wav, os.path.join(out, "music.mp3")], check=True)


if __name__ == "__main__":
    main()
