#!/bin/sh
# Regenerates the corpus in decks/: presentations our office did not write
# (pptxgenjs, and OOXML assembled by tests/data/make_ooxml_deck.py), the old
# PowerPoint formats written through the office's PowerPoint 97 filter, and
# files that are not presentations at all. The decks are kept in git, so
# the tests need neither the network nor node.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$here/decks
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Pictures to place: a PNG, a JPEG and an SVG.
ffmpeg -v error -y -f lavfi -i testsrc2=size=320x240 -frames:v 1 "$work/picture.png"
ffmpeg -v error -y -f lavfi -i smptebars=size=320x240 -frames:v 1 -q:v 3 "$work/picture.jpg"
cat > "$work/picture.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="300" height="300" viewBox="0 0 300 300">
  <rect x="10" y="10" width="280" height="280" fill="#ffd966" stroke="#7f6000" stroke-width="8"/>
  <circle cx="150" cy="150" r="90" fill="#2e75b6"/>
  <polygon points="150,70 230,220 70,220" fill="#c00000"/>
</svg>
SVG

cd "$here"
npm ci --silent --no-audit --no-fund
node make_decks.js "$out" "$work"

# Hand-built OOXML: transitions with rehearsed timings, a click-only slide, a
# hidden one; and a self-running .ppsx.
python3 ../data/make_ooxml_deck.py "$out/timed-transitions.pptx" /dev/stdin <<'JSON'
{"slides": [
  {"title": "Rehearsed", "body": ["1.5 s"], "advance_ms": 1500, "colour": "FFF2CC"},
  {"title": "Fades in", "body": ["rehearsed 1.2 s"], "transition": "fade", "advance_ms": 1200, "colour": "FCE4D6"},
  {"title": "Left out", "body": ["hidden"], "hidden": true, "advance_ms": 1000, "colour": "FF0000"},
  {"title": "Pushes in", "body": ["rehearsed 1 s"], "transition": "push", "advance_ms": 1000, "colour": "E2EFDA"},
  {"title": "Random", "body": ["waits for a click"], "transition": "random", "colour": "DDEBF7",
   "notes": ["The last slide waits for a click."]}]}
JSON
python3 ../data/make_ooxml_deck.py "$out/self-running.ppsx" /dev/stdin <<'JSON'
{"size": [12192000, 6858000], "slides": [
  {"title": "Self running", "body": ["first"], "advance_ms": 1000, "colour": "FFF2CC"},
  {"title": "Self running", "body": ["second"], "advance_ms": 1000, "colour": "D9E1F2"}]}
JSON

# Entrance effects (one on a click, one by itself), a sound and a film that
# play as their slide comes in, and 200 slides.
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=0.5" -ac 1 -ar 22050 "$work/tone.wav"
python3 ../data/make_ooxml_deck.py "$out/animations.pptx" /dev/stdin <<'JSON'
{"slides": [
  {"title": "Comes in on a click", "body": ["the clock gives the click"], "entrance": "click", "colour": "FFF2CC"},
  {"title": "Comes in by itself", "body": ["after the slide"], "entrance": "after", "colour": "DDEBF7"}]}
JSON
python3 ../data/make_ooxml_deck.py "$out/embedded-sound.pptx" /dev/stdin <<JSON
{"slides": [
  {"title": "A sound plays", "body": ["half a second of 440 Hz"], "media": "$work/tone.wav", "colour": "FCE4D6"},
  {"title": "After the sound", "body": ["silence"], "colour": "E2EFDA"}]}
JSON
# A film PowerPoint would embed: H.264 in MP4, with its first frame as the
# poster. Its picture stands still, so the slide looks the same whether the
# office can decode H.264 (gstreamer1.0-libav) and plays it or keeps the poster.
ffmpeg -v error -y -f lavfi -i smptebars=size=320x240:rate=10:duration=2 -c:v libx264 -preset veryslow -crf 32 \
  -pix_fmt yuv420p -profile:v baseline -movflags +faststart "$work/film.mp4"
ffmpeg -v error -y -i "$work/film.mp4" -frames:v 1 "$work/film-poster.png"
python3 ../data/make_ooxml_deck.py "$out/embedded-video.pptx" /dev/stdin <<JSON
{"slides": [
  {"title": "A film plays", "body": ["two seconds of colour bars"], "media": "$work/film.mp4",
   "poster": "$work/film-poster.png", "colour": "DDEBF7"},
  {"title": "After the film", "body": ["still"], "colour": "FFF2CC"}]}
JSON
python3 - "$out/two-hundred-slides.pptx" <<'PY'
import json, subprocess, sys
slides = [{"title": f"Slide {k}", "colour": "FFFFFF" if k % 2 else "D9E1F2"} for k in range(1, 201)]
subprocess.run([sys.executable, "../data/make_ooxml_deck.py", sys.argv[1], "/dev/stdin"],
               input=json.dumps({"slides": slides}).encode(), check=True)
PY

# The old binary formats, written by the office itself from a deck of pptxgenjs.
profile="file://$work/profile"
for format in ppt pps; do
  soffice -env:UserInstallation="$profile" --headless --convert-to "$format" --outdir "$work" \
    "$out/four-by-three.pptx" >/dev/null
done
mv "$work/four-by-three.ppt" "$out/old-format.ppt"
mv "$work/four-by-three.pps" "$out/old-show.pps"

# Files that are no presentation to play.
: > "$out/zero-bytes.pptx"
head -c 4000 "$out/four-by-three.pptx" > "$out/damaged.pptx"
printf 'Quarterly figures\n1,2,3\n' > "$out/not-a-presentation.pptx"
