#!/bin/sh
# Animations: the GIF a script writes is read back by an independent reader
# (Pillow), which must find the frames, their size, their delays and the
# loop, and the pixels of each frame as the picture or device they came
# from (exactly for a frame of 256 colours or fewer, within the palette's
# error beyond). A frame of another size is error 8; a write that fails
# (a file size limit, a folder as the target, an unwritable folder), an
# animation dropped without Close and one closed without frames all leave
# the old file byte for byte and no temporary file behind.
# usage: animation_test.sh VESK
. "$(dirname "$0")/common.sh"
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
run() { timeout 60 "$vesk" --headless -e "$1" > out 2>&1; rc=$?; }
expect() {
    if [ "$rc" != "$1" ] || { [ $# = 2 ] && ! grep -q -- "$2" out; }; then
        fail "exit $rc, wanted $1 and ${2:-no output}"
    fi
}

# Frames: a smooth gradient of 4096 colours, the same turned round, a
# picture of three colours, and a rendered device; each picture is saved as
# a PNG too, for the reader to compare with.
pictures='
function gradient(flip) {
  b = new MBmp(64, 48);
  for (y = 0; y < 48; y += 1) for (x = 0; x < 64; x += 1) {
    u = x; if (flip) u = 63 - x;
    b->SetPixel(x, y, u * 4, y * 5, 255 - (u + y) * 2);
  }
  return b;
}
few = new MBmp(64, 48);
for (y = 0; y < 48; y += 1) for (x = 0; x < 64; x += 1) few->SetPixel(x, y, 17 * (x % 3), 200, 13 + 90 * (y % 2));
dc = new MDC(64, 48);
gl = new VOpenGL();
gl->Open(dc);
gl->SetViewPort(0, 0, 64, 48);
gl->SetPerspective(40, 64 / 48.0, 1, 20);
gl->SetViewerPos(0, 0, 5,  0, 0, 0,  0, 1, 0);
gl->SetClearColor(0.1, 0.2, 0.6);
gl->Clear();
gl->EnableLight(true);
gl->SetLightPosition(-3, 4, 5);
gl->SetMaterial(new OglMaterial(1, 0.5, 0.1, 1));
gl->Sphere(0, 0, 0, 1.3, 32);
gl->Flush();
g = gradient(false);
h = gradient(true);
g->SaveAs("f0.png"); h->SaveAs("f1.png"); few->SaveAs("f2.png"); dc->SaveAs("f3.png");
'
run "$pictures
a = new Animation(\"anim.gif\", 30);
a->AddFrame(g); a->AddFrame(h); a->AddFrame(few); a->AddFrame(dc);
print(a->GetFrames()); a->Close(); a->Close(); print(a->GetFrames());
b = new Animation(\"slow.gif\", 40); b->AddFrame(few); b->Close();
c = new Animation(\"fast.gif\", 200); c->AddFrame(few); c->AddFrame(few); c->Close();"
expect 0
[ "$(cat out)" = "4
4" ] || fail "frames counted wrong"
"$python" - > out 2>&1 << 'EOF' || fail "the reader disagrees"
from PIL import Image

def frames(name):
    im = Image.open(name)
    assert im.format == "GIF" and im.info.get("version") == b"GIF89a", (name, im.info)
    assert im.info.get("loop") == 0, ("plays forever", name, im.info)
    out = []
    for i in range(im.n_frames):
        im.seek(i)
        out.append((im.size, im.info.get("duration"), im.convert("RGB")))
    return out

anim = frames("anim.gif")
assert len(anim) == 4, len(anim)
for size, duration, _ in anim:
    assert size == (64, 48), size
    assert duration == 30, duration          # 100 / 30 = 3.33 hundredths: 3
assert [d for _, d, _ in frames("slow.gif")] == [30]   # 2.5 rounds up to 3
assert [d for _, d, _ in frames("fast.gif")] == [10, 10]
for i, (_, _, got) in enumerate(anim):
    want = Image.open("f%d.png" % i).convert("RGB")
    errors = [max(abs(a - b) for a, b in zip(p, q)) for p, q in zip(got.getdata(), want.getdata())]
    worst, mean = max(errors), sum(errors) / len(errors)
    if i == 2:
        assert worst == 0, ("three colours are kept exactly", worst)
    else:
        assert worst <= 16 and mean <= 8, ("frame", i, worst, mean)
    # A few pixels, named: the corners and the middle.
    for x, y in [(0, 0), (63, 0), (0, 47), (63, 47), (32, 24)]:
        p, q = got.getpixel((x, y)), want.getpixel((x, y))
        assert max(abs(a - b) for a, b in zip(p, q)) <= 16, (i, x, y, p, q)
print("ok")
EOF


# A frame of another size: error 8 naming both sizes; a script ended by it
# leaves the old file as it was.
cp anim.gif anim.orig
run 'a = new Animation("anim.gif", 10);
a->AddFrame(new MBmp(32, 24));
try { a->AddFrame(new MBmp(33, 24)); } catch (e) { print(e[0][0], e[0][2]); }
print(a->GetFrames());
a->AddFrame(new MBmp(24, 32));'
expect 1 '^8 Animation::AddFrame: the frame is 33 x 24 pixels, but the animation.s frames are 32 x 24 (its first frame fixed the size)$'
grep -q '^-e:5: error 8: Animation::AddFrame: the frame is 24 x 32 pixels' out || fail "no error 8 at line 5"
grep -qx 1 out || fail "the refused frame was counted"
cmp -s anim.gif anim.orig || fail "a refused frame changed anim.gif"

# Past a file size limit (64 frames of noise take far more than 8 KB) the
# animation fails at the frame or at Close, and says why.
noise='b = new MBmp(64, 64); x = 1;
for (i = 0; i < 4096; i += 1) { x = (x * 1103515245 + 12345) & 2147483647; b->SetPixel(i % 64, i / 64, x & 255, (x >> 8) & 255, (x >> 16) & 255); }
a = new Animation("anim.gif", 10);'
(ulimit -f 16; run "$noise for (f = 0; f < 64; f += 1) a->AddFrame(b); a->Close();"; exit $rc); rc=$?
expect 1 'error 14: cannot write anim.gif: File too large$'
cmp -s anim.gif anim.orig || fail "a failed write changed anim.gif"
# After the failure the animation says so and takes nothing more.
(ulimit -f 16; run "$noise try { for (f = 0; f < 64; f += 1) a->AddFrame(b); } catch (e) { print(e[0][2]); }
try { a->AddFrame(b); } catch (e) { print(e[0][2]); }
try { a->Close(); } catch (e) { print(e[0][2]); }"; exit $rc); rc=$?
expect 0 '^AddFrame: the animation failed earlier (cannot write anim.gif: File too large); it takes no more frames$'
grep -q '^Close: the animation failed earlier' out || fail "Close after a failure"
cmp -s anim.gif anim.orig || fail "a failed write changed anim.gif"

# Dropped without Close, closed without frames: discarded.
run "$noise a->AddFrame(b); a = null; print(\"dropped\");"
expect 0 '^dropped$'
run "$noise a->AddFrame(b);"
expect 0
run 'a = new Animation("anim.gif", 10); try { a->Close(); } catch (e) { print(e[0][2]); }'
expect 0 '^Close: the animation anim.gif has no frames; nothing was written$'
cmp -s anim.gif anim.orig || fail "an unclosed animation changed anim.gif"

# Targets that are not files, and folders that cannot be written.
mkdir folder.gif
run 'a = new Animation("folder.gif", 10);'
expect 1 '^-e:1: error 14: cannot write folder.gif: it is a folder, not a regular file$'
[ -z "$(ls -A folder.gif)" ] || fail "the folder was touched"
run 'a = new Animation("nowhere/x.gif", 10);'
expect 1 'cannot write nowhere/x.gif: cannot make a file in nowhere: No such file or directory$'
if [ "$(id -u)" != 0 ]; then
    mkdir sealed && chmod 500 sealed
    run 'a = new Animation("sealed/x.gif", 10);'
    expect 1 'cannot write sealed/x.gif: cannot make a file in sealed: Permission denied$'
    chmod 700 sealed && rmdir sealed
fi

# Nothing but what the steps made: no temporary file was left behind.
left=$(ls -A | tr '\n' ' ')
[ "$left" = "anim.gif anim.orig f0.png f1.png f2.png f3.png fast.gif folder.gif out slow.gif " ] || fail "files left: $left"
[ "$failures" = 0 ]
