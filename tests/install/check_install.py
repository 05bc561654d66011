#!/usr/bin/python3
"""Checks what a user gets: an install into a temporary DESTDIR, or the Debian package.

usage: check_install.py install|package BUILD_DIR SOURCE_DIR VERSION LIBDIR BUILT_FINDER

install: `cmake --install` into a temporary DESTDIR under an unusual prefix, then every file checked with the
desktop's own tools (desktop-file-validate, appstreamcli, man), the icons' sizes read from their PNG headers,
the man pages compared with the installed programs' --help, and the installed finder run on the sample.
package: CPack's .deb checked with dpkg-deb (fields, dependencies, files), unpacked, and its finder run on the
sample. Both compare the finder's listing with the one from the build folder's own finder.
Exit 0 when everything holds; every failure is printed.
"""
import gzip
import os
import re
import struct
import subprocess
import sys
import tempfile

APP_ID = "com.talvard.vorel"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
REQUIRED_MIME = ("application/x-cd-image", "application/x-cue", "application/x-raw-disk-image",
                 "application/octet-stream")

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def run(args, env=None, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, env=env, timeout=300, **kwargs)


def quiet_env(config_home):
    """No display, no user settings: the programs must need neither."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env["XDG_CONFIG_HOME"] = config_home
    return env


def expected_files(libdir):
    files = {
        "bin/vorel", "bin/vorel-find", f"{libdir}/vorel/plugins/libvorel_png_export.so",
        f"share/applications/{APP_ID}.desktop", f"share/metainfo/{APP_ID}.metainfo.xml",
        f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
        "share/man/man1/vorel.1.gz", "share/man/man1/vorel-find.1.gz", "share/doc/vorel/copyright",
    }
    files |= {f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES}
    return files


def check_file_set(root, libdir):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    want = expected_files(libdir)
    for missing in sorted(want - found):
        fail(f"not installed: {missing}")
    for extra in sorted(found - want):
        fail(f"installed but not expected: {extra}")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def check_icons(root, source_dir):
    for n in ICON_SIZES:
        path = os.path.join(root, f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png")
        if os.path.exists(path) and png_size(path) != (n, n):
            fail(f"{n}x{n} icon is {png_size(path)}")
    svg = os.path.join(root, f"share/icons/hicolor/scalable/apps/{APP_ID}.svg")
    with open(os.path.join(source_dir, "res/icons/vorel.svg"), "rb") as a, open(svg, "rb") as b:
        if a.read() != b.read():
            fail("the scalable icon is not the one the windows use (res/icons/vorel.svg)")


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def check_desktop(root):
    path = os.path.join(root, f"share/applications/{APP_ID}.desktop")
    result = run(["desktop-file-validate", path])
    if result.returncode != 0 or result.stdout.strip() or result.stderr.strip():
        fail(f"desktop-file-validate: {result.stdout}{result.stderr}")
    entry = desktop_entry(path)
    if entry.get("Exec") != "vorel %F":
        fail(f"Exec is {entry.get('Exec')!r}")
    if entry.get("Icon") != APP_ID:
        fail(f"Icon is {entry.get('Icon')!r}")
    if set(entry.get("Categories", "").strip(";").split(";")) != {"Graphics", "Viewer"}:
        fail(f"Categories are {entry.get('Categories')!r}")
    mime = entry.get("MimeType", "").strip(";").split(";")
    for m in REQUIRED_MIME:
        if m not in mime:
            fail(f"MimeType lacks {m}")
    for m in mime:
        # Only types the desktop's MIME database knows can ever match a file.
        if not os.path.exists(f"/usr/share/mime/{m}.xml"):
            fail(f"MimeType {m} is unknown to shared-mime-info")
    for key in ("Name", "GenericName", "Comment"):
        if not entry.get(key) or not entry.get(key + "[ja]"):
            fail(f"{key} needs English and Japanese")


def check_metainfo(root, version):
    path = os.path.join(root, f"share/metainfo/{APP_ID}.metainfo.xml")
    for args in (["validate", "--no-net", "--pedantic", path], ["validate-tree", "--no-net", "--pedantic", root]):
        result = run(["appstreamcli"] + args)
        if result.returncode != 0 or "Validation was successful" not in result.stdout:
            fail(f"appstreamcli {args[0]}: {result.stdout}{result.stderr}")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if f'<release version="{version}"' not in text:
        fail(f"metainfo names no release {version}")
    if not re.search(r"<screenshot[^>]*>.*<image[^>]*>https?://[^<]+</image>", text, re.S):
        fail("metainfo shows no screenshot")
    if f"<launchable type=\"desktop-id\">{APP_ID}.desktop</launchable>" not in text:
        fail("metainfo does not name the desktop entry")


# Read by python3-debian's parser of the machine-readable format, which refuses a malformed file:
# the licence of every file and the text of that licence.
READ_COPYRIGHT = '''
import sys
from debian.copyright import Copyright
with open(sys.argv[1], encoding="utf-8") as f:
    c = Copyright(f, strict=True)
files = c.find_files_paragraph("bin/vorel")
print(files.license.synopsis)
print(files.copyright)
print(c.header.upstream_name)
print([p.license.text for p in c.all_license_paragraphs() if p.license.synopsis == "Expat"][0])
'''


def check_licence(root, source_dir):
    """The MIT licence of LICENSE, as Debian's copyright file and in the AppStream metadata."""
    path = os.path.join(root, "share/doc/vorel/copyright")
    if not os.path.exists(path):
        return
    result = run(["/usr/bin/python3", "-c", READ_COPYRIGHT, path])
    if result.returncode != 0:
        fail(f"copyright does not read as the machine-readable format: {result.stderr}")
        return
    synopsis, holder, name, text = result.stdout.split("\n", 3)
    with open(os.path.join(source_dir, "LICENSE"), encoding="utf-8") as f:
        licence = f.read()
    if synopsis != "Expat" or name != "Vorel" or not holder.endswith("The Vorel developers"):
        fail(f"copyright: files under {synopsis!r}, held by {holder!r}, upstream {name!r}")
    if "MIT License" not in licence or "Copyright (c) " + holder not in licence:
        fail("LICENSE is not the MIT licence of the copyright file's holder")
    if " ".join(text.split()) not in " ".join(licence.split()) or len(text.split()) < 150:
        fail("the copyright file's licence text is not the text of LICENSE")
    with open(os.path.join(root, f"share/metainfo/{APP_ID}.metainfo.xml"), encoding="utf-8") as f:
        metainfo = f.read()
    if "<project_license>MIT</project_license>" not in metainfo:
        fail("metainfo names no project_license MIT")
    if not re.search(r"<metadata_license>(CC0-1\.0|FSFAP)</metadata_license>", metainfo):
        fail("metainfo names no metadata_license CC0-1.0 or FSFAP")


def check_man_pages(root, bin_dir, config_home):
    env = quiet_env(config_home)
    for program in ("vorel", "vorel-find"):
        page = os.path.join(root, f"share/man/man1/{program}.1.gz")
        if not os.path.exists(page):
            continue
        result = run(["man", "--warnings=w", "-E", "UTF-8", "-l", page], env=dict(env, MANWIDTH="200"))
        if result.returncode != 0 or result.stderr.strip():
            fail(f"man -l {program}.1.gz: rc {result.returncode}: {result.stderr}")
        rendered = result.stdout
        # What the program itself says must all be in its page: every option, every sentence of its description.
        help_text = run([os.path.join(bin_dir, program), "--help"], env=env)
        if help_text.returncode != 0:
            fail(f"{program} --help: rc {help_text.returncode}: {help_text.stderr}")
        options = re.findall(r"^\s+(-[^\s,]+(?:, -[^\s,]+)*)", help_text.stdout, re.M)
        if not options:
            fail(f"{program} --help lists no options")
        for group in options:
            for option in group.split(", "):
                if not re.search(r"(^|[\s,])" + re.escape(option) + r"([\s,]|$)", rendered, re.M):
                    fail(f"man page of {program} lacks {option}")
        words = " ".join(rendered.split())
        description = help_text.stdout.split("\n\n")[0].splitlines()[1:]
        for sentence in description:
            if " ".join(sentence.split()) not in words:
                fail(f"man page of {program} lacks: {sentence}")
        with gzip.open(page, "rt", encoding="utf-8") as f:
            if f'"{program} ' not in f.read():
                fail(f"man page of {program} carries no version")


def check_programs(bin_dir, built_finder, source_dir, version, work):
    """The installed programs run without a display; the finder finds its PNG plug-in where it was installed."""
    env = quiet_env(os.path.join(work, "config"))
    for program in ("vorel", "vorel-find"):
        result = run([os.path.join(bin_dir, program), "--version"], env=env)
        if result.returncode != 0 or result.stdout.strip() != f"{program} {version}":
            fail(f"{program} --version: rc {result.returncode}: {result.stdout!r} {result.stderr!r}")
    sample = os.path.join(source_dir, "samples/sample.bin")
    reference = run([built_finder, "--tsv", sample], env=env)
    out = os.path.join(work, "pictures")
    result = run([os.path.join(bin_dir, "vorel-find"), "--tsv", "--out", out, "--format", "png", sample], env=env)
    if result.returncode != 0:
        fail(f"installed vorel-find on the sample: rc {result.returncode}: {result.stderr}")
        return
    if result.stdout != reference.stdout:
        fail("installed vorel-find lists other images than the built one:\n" + result.stdout)
    rows = result.stdout.splitlines()[1:]
    written = [n for n in os.listdir(out) if n.endswith(".PNG")] if os.path.isdir(out) else []
    if not rows or len(written) != len(rows):
        fail(f"{len(rows)} images listed, {len(written)} PNG files written")
    for name in written:
        if png_size(os.path.join(out, name)) is None:
            fail(f"{name} is not a PNG file")


def check_install(build_dir, source_dir, version, libdir, built_finder, work):
    dest = os.path.join(work, "dest")
    prefix = "/opt/vorel-test"
    result = run(["cmake", "--install", build_dir, "--prefix", prefix], env=dict(os.environ, DESTDIR=dest))
    if result.returncode != 0:
        fail(f"cmake --install: {result.stdout}{result.stderr}")
        return
    root = dest + prefix
    check_file_set(root, libdir)
    check_icons(root, source_dir)
    check_desktop(root)
    check_metainfo(root, version)
    check_licence(root, source_dir)
    check_man_pages(root, os.path.join(root, "bin"), os.path.join(work, "config"))
    check_programs(os.path.join(root, "bin"), built_finder, source_dir, version, work)


def control_field(info, name):
    match = re.search(r"^ " + name + r": (.*)$", info, re.M)
    return match.group(1) if match else ""


def check_package(build_dir, source_dir, version, libdir, built_finder, work):
    out = os.path.join(work, "package")
    result = run(["cpack", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out])
    if result.returncode != 0:
        fail(f"cpack: {result.stdout}{result.stderr}")
        return
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    deb = os.path.join(out, f"vorel_{version}_{arch}.deb")
    if not os.path.exists(deb):
        fail(f"no {os.path.basename(deb)} in {os.listdir(out)}")
        return

    info = run(["dpkg-deb", "--info", deb]).stdout
    for field, want in (("Package", "vorel"), ("Version", version), ("Architecture", arch)):
        if control_field(info, field) != want:
            fail(f"{field} is {control_field(info, field)!r}, not {want!r}")
    # No maintainer scripts: the desktop's own triggers refresh menus and icons, and without a
    # removal script `apt remove` leaves nothing of the package behind, not even in dpkg's records.
    for script in ("preinst", "postinst", "prerm", "postrm"):
        if re.search(r"^\s+\d+ bytes,\s+\d+ lines\s+\*?\s*" + script + r"\b", info, re.M):
            fail(f"the package has a {script} script")
    depends = {d.split()[0] for d in control_field(info, "Depends").split(", ") if d}
    # Read from the binaries by dpkg-shlibdeps, plus the SVG plug-in Qt loads by itself.
    for package in ("libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6",
                    "libqt6svg6"):
        if package not in depends:
            fail(f"Depends lacks {package}: {control_field(info, 'Depends')}")

    listing = run(["dpkg-deb", "--contents", deb]).stdout.splitlines()
    files = set()
    for line in listing:
        parts = line.split()
        if parts[1] != "root/root":
            fail(f"not owned by root: {line}")
        if not parts[0].startswith("d"):
            files.add(parts[-1][len("./usr/"):] if parts[-1].startswith("./usr/") else parts[-1])
    want = expected_files(libdir)
    for missing in sorted(want - files):
        fail(f"not in the package: {missing}")
    for extra in sorted(files - want):
        fail(f"in the package but not expected: {extra}")

    root = os.path.join(work, "unpacked")
    result = run(["dpkg-deb", "-x", deb, root])
    if result.returncode != 0:
        fail(f"dpkg-deb -x: {result.stderr}")
        return
    for program in ("vorel", "vorel-find"):
        kind = run(["file", "-b", os.path.join(root, "usr/bin", program)]).stdout
        if "stripped" not in kind or "not stripped" in kind:
            fail(f"{program} is not stripped: {kind}")
    check_licence(os.path.join(root, "usr"), source_dir)
    check_programs(os.path.join(root, "usr/bin"), built_finder, source_dir, version, work)


def main():
    if len(sys.argv) != 7 or sys.argv[1] not in ("install", "package"):
        print(__doc__, file=sys.stderr)
        return 2
    mode, build_dir, source_dir, version, libdir, built_finder = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix=f"vorel-{mode}-") as work:
        check = check_install if mode == "install" else check_package
        check(build_dir, source_dir, version, libdir, built_finder, work)
    if failures:
        print(f"{len(failures)} failures", file=sys.stderr)
        return 1
    print(f"{mode}: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
