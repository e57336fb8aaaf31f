#!/usr/bin/env python3
"""Writes presentations made to harm whoever converts them, and what they
reach for, for the hostile-deck tests. Nothing here ever reaches the network
or a file by itself: the decks only name them.

usage: make_hostile_decks.py DECKS OUTSIDE PORT
  DECKS    the folder for the decks (and for what lies beside them)
  OUTSIDE  a folder outside it, with the files the decks reach for
  PORT     the port on 127.0.0.1 the decks' web addresses name

Writes, in DECKS:
  links.pptx      slide 1 a picture at http://127.0.0.1:PORT/secret.png (blue),
                  slide 2 a picture at OUTSIDE/private.png (red), slide 3 a
                  picture beside the deck, beside.png (green), slide 4 films at
                  http://127.0.0.1:PORT/film.mp4 and at OUTSIDE/film.mp4
  objects.pptx    an object linked to OUTSIDE/other.odp, as PowerPoint links one
  objects.odp     the same in OpenDocument
  dde.odp         a DDE field reading OUTSIDE/other.odp
  macro.odp       a Basic macro that runs when the document is opened: it writes OUTSIDE/macro-ran
  actions.pptx    one slide covered by a shape that runs OUTSIDE/run.sh when clicked,
                  and a text linked to http://127.0.0.1:PORT/clicked
  time-inf.pptx, time-1e300.pptx, time-9e15.pptx
                  a slide whose own time (advTm, in ms) is that
  many.pptx       10,000 slides
  bomb.pptx       a part of 1 GiB of zeros, packed to about 1 MiB
  page.pptx       a web page under a presentation's name
"""
import os
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_ooxml_deck as deck  # noqa: E402

REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def png(rgb, width=64, height=48):
    def chunk(kind, data):
        return len(data).to_bytes(4, "big") + kind + data + zlib.crc32(kind + data).to_bytes(4, "big")
    header = width.to_bytes(4, "big") + height.to_bytes(4, "big") + bytes([8, 2, 0, 0, 0])
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


def box(x, y, cx, cy):
    return f'<a:xfrm><a:off x="{x}" y="{y}"/><a:ext cx="{cx}" cy="{cy}"/></a:xfrm>'


# The middle of the slide, well away from its title.
MIDDLE = box(1524000, 1714500, 6096000, 4572000)


def linked_picture(sid, rid):
    return (f'<p:pic><p:nvPicPr><p:cNvPr id="{sid}" name="linked {sid}"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>'
            f'<p:blipFill><a:blip r:link="{rid}"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
            f'<p:spPr>{MIDDLE}<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')


def linked_film(sid, rid, poster_rid):
    return (f'<p:pic><p:nvPicPr><p:cNvPr id="{sid}" name="film {sid}"/><p:cNvPicPr/>'
            f'<p:nvPr><a:videoFile r:link="{rid}"/></p:nvPr></p:nvPicPr>'
            f'<p:blipFill><a:blip r:embed="{poster_rid}"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
            f'<p:spPr>{box(0, 0, 914400, 685800)}<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')


def linked_object(sid, rid, picture_rid):
    return ('<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id="%d" name="object"/><p:cNvGraphicFramePr/><p:nvPr/>'
            '</p:nvGraphicFramePr>%s<a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/presentationml/2006/ole">'
            '<p:oleObj name="Presentation" r:id="%s" imgW="6096000" imgH="4572000" progId="Presentation">'
            '<p:link updateAutomatic="1"/><p:pic><p:nvPicPr><p:cNvPr id="0" name=""/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>'
            '<p:blipFill><a:blip r:embed="%s"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
            '<p:spPr>%s</p:spPr></p:pic></p:oleObj></a:graphicData></a:graphic></p:graphicFrame>'
            % (sid, MIDDLE.replace("a:xfrm", "p:xfrm"), rid, picture_rid, MIDDLE))


def program_shape(sid, rid):
    """A shape over the whole slide that runs a program when clicked."""
    return (f'<p:sp><p:nvSpPr><p:cNvPr id="{sid}" name="run"><a:hlinkClick r:id="{rid}" action="ppaction://program"/>'
            '</p:cNvPr><p:cNvSpPr/><p:nvPr/></p:nvSpPr>'
            f'<p:spPr>{box(0, 0, 9144000, 6858000)}<a:prstGeom prst="rect"><a:avLst/></a:prstGeom>'
            '<a:solidFill><a:srgbClr val="FF00FF"/></a:solidFill></p:spPr>'
            '<p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US" sz="4000">'
            '<a:hlinkClick r:id="rIdWeb"/></a:rPr><a:t>Click me</a:t></a:r></a:p></p:txBody></p:sp>')


def rebuild(path, change):
    """Opens the package `path`, lets `change(parts)` edit its parts (a dict), writes it again."""
    with zipfile.ZipFile(path) as z:
        parts = {name: z.read(name) for name in z.namelist()}
    change(parts)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)


def add_to_slide(parts, number, shapes, relationships):
    slide = f"ppt/slides/slide{number}.xml"
    rels = f"ppt/slides/_rels/slide{number}.xml.rels"
    parts[slide] = parts[slide].decode().replace("</p:spTree>", shapes + "</p:spTree>").encode()
    extra = "".join(f'<Relationship Id="{rid}" Type="{kind if "://" in kind else REL + "/" + kind}" Target="{target}"'
                    + (' TargetMode="External"/>' if external else "/>")
                    for rid, kind, target, external in relationships)
    parts[rels] = parts[rels].decode().replace("</Relationships>", extra + "</Relationships>").encode()


def add_png_type(parts):
    types = parts["[Content_Types].xml"].decode()
    if 'Extension="png"' not in types:
        types = types.replace("<Default Extension=\"xml\"", '<Default Extension="png" ContentType="image/png"/>'
                                                          '<Default Extension="xml"')
    parts["[Content_Types].xml"] = types.encode()


def links_deck(folder, outside, port):
    path = os.path.join(folder, "links.pptx")
    deck.write(path, {"slides": [{"title": f"Slide {k}"} for k in range(1, 5)]})

    def change(parts):
        add_to_slide(parts, 1, linked_picture(10, "rIdL"),
                     [("rIdL", "image", f"http://127.0.0.1:{port}/secret.png", True)])
        add_to_slide(parts, 2, linked_picture(10, "rIdL"),
                     [("rIdL", "image", "file://" + os.path.join(outside, "private.png"), True)])
        add_to_slide(parts, 3, linked_picture(10, "rIdL"), [("rIdL", "image", "beside.png", True)])
        add_to_slide(parts, 4, linked_film(10, "rIdW", "rIdP") + linked_film(11, "rIdF", "rIdP"),
                     [("rIdW", "video", f"http://127.0.0.1:{port}/film.mp4", True),
                      ("rIdF", "video", "file://" + os.path.join(outside, "film.mp4"), True),
                      ("rIdP", "image", "../media/poster.png", False)])
        parts["ppt/media/poster.png"] = png((128, 128, 128), 8, 8)
        add_png_type(parts)
    rebuild(path, change)
    with open(os.path.join(folder, "beside.png"), "wb") as f:
        f.write(png((0, 255, 0)))


def objects_pptx(folder, outside):
    path = os.path.join(folder, "objects.pptx")
    deck.write(path, {"slides": [{"title": "Linked object"}]})

    def change(parts):
        add_to_slide(parts, 1, linked_object(10, "rIdO", "rIdI"),
                     [("rIdO", "oleObject", "file://" + os.path.join(outside, "other.odp"), True),
                      ("rIdI", "image", "../media/object.png", False)])
        parts["ppt/media/object.png"] = png((200, 200, 200), 8, 8)
        add_png_type(parts)
    rebuild(path, change)


ODF_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:xlink="http://www.w3.org/1999/xlink" '
          'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
          'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
          'xmlns:script="urn:oasis:names:tc:opendocument:xmlns:script:1.0" '
          'xmlns:dom="http://www.w3.org/2001/xml-events" '
          'xmlns:ooo="http://openoffice.org/2004/office" office:version="1.3"')


def odp(path, page_body, scripts="", text_decls="", basic=None):
    """A small OpenDocument presentation of one page; `basic` is a Basic module's source."""
    content = ('<?xml version="1.0" encoding="UTF-8"?>'
               f'<office:document-content {ODF_NS}>{scripts}<office:body><office:presentation>{text_decls}'
               f'<draw:page draw:name="page1">{page_body}</draw:page>'
               '</office:presentation></office:body></office:document-content>')
    files = [("content.xml", "text/xml")]
    parts = {"content.xml": content}
    if basic is not None:
        parts["Basic/script-lc.xml"] = (
            '<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE library:libraries PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "libraries.dtd">'
            '<library:libraries xmlns:library="http://openoffice.org/2000/library" xmlns:xlink="http://www.w3.org/1999/xlink">'
            '<library:library library:name="Standard" library:link="false"/></library:libraries>')
        parts["Basic/Standard/script-lb.xml"] = (
            '<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE library:library PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "library.dtd">'
            '<library:library xmlns:library="http://openoffice.org/2000/library" library:name="Standard" '
            'library:readonly="false" library:passwordprotected="false"><library:element library:name="Module1"/>'
            '</library:library>')
        parts["Basic/Standard/Module1.xml"] = (
            '<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE script:module PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "module.dtd">'
            '<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">'
            + basic.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")
            + '</script:module>')
        files += [(name, "text/xml") for name in parts if name.startswith("Basic/")]
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" manifest:version="1.3" '
                'manifest:media-type="application/vnd.oasis.opendocument.presentation"/>'
                + "".join(f'<manifest:file-entry manifest:full-path="{n}" manifest:media-type="{t}"/>' for n, t in files)
                + '</manifest:manifest>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.presentation")
        z.writestr("META-INF/manifest.xml", manifest)
        for name, data in parts.items():
            z.writestr(name, data)


def frame(body):
    return f'<draw:frame svg:x="2cm" svg:y="4cm" svg:width="20cm" svg:height="12cm">{body}</draw:frame>'


def odf_decks(folder, outside):
    other = os.path.join(outside, "other.odp")
    odp(other, frame('<draw:text-box><text:p>Someone else\'s presentation</text:p></draw:text-box>'))
    linked = frame(f'<draw:object xlink:href="file://{other}" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/>')
    dde = (f'<text:dde-connection-decls><text:dde-connection-decl office:name="link" office:dde-application="soffice" '
           f'office:dde-topic="{other}" office:dde-item="page1" office:automatic-update="true"/></text:dde-connection-decls>')
    field = frame('<draw:text-box><text:p>DDE: <text:dde-connection text:connection-name="link">?</text:dde-connection>'
                  '</text:p></draw:text-box>')
    odp(os.path.join(folder, "objects.odp"), linked)
    # The office itself cannot show such a field in a presentation: it goes away on it.
    odp(os.path.join(folder, "dde.odp"), field, text_decls=dde)
    marker = os.path.join(outside, "macro-ran")
    scripts = ('<office:scripts><office:event-listeners><script:event-listener script:language="ooo:script" '
               'script:event-name="dom:load" xlink:href="vnd.sun.star.script:Standard.Module1.Opened?language=Basic&amp;location=document" '
               'xlink:type="simple"/></office:event-listeners></office:scripts>')
    basic = f'Sub Opened\n  Open "{marker}" For Output As #1\n  Print #1, "ran"\n  Close #1\nEnd Sub\n'
    odp(os.path.join(folder, "macro.odp"),
        frame('<draw:text-box><text:p>A macro runs when this opens</text:p></draw:text-box>'), scripts=scripts, basic=basic)


def actions_deck(folder, outside, port):
    path = os.path.join(folder, "actions.pptx")
    deck.write(path, {"slides": [{"title": "Actions"}, {"title": "Next"}]})
    script = os.path.join(outside, "run.sh")
    with open(script, "w") as f:
        f.write(f"#!/bin/sh\ntouch '{os.path.join(outside, 'program-ran')}'\n")
    os.chmod(script, 0o755)

    def change(parts):
        add_to_slide(parts, 1, program_shape(20, "rIdRun"),
                     [("rIdRun", "hyperlink", "file://" + script, True),
                      ("rIdWeb", "hyperlink", f"http://127.0.0.1:{port}/clicked", True)])
    rebuild(path, change)


def timed_deck(folder, name, advance):
    path = os.path.join(folder, name)
    deck.write(path, {"slides": [{"title": "First", "advance_ms": 1000}, {"title": "Second", "advance_ms": 1000},
                                 {"title": "Last", "advance_ms": 1000}]})

    def change(parts):
        slide = parts["ppt/slides/slide2.xml"].decode().replace('advTm="1000"', f'advTm="{advance}"')
        parts["ppt/slides/slide2.xml"] = slide.encode()
    rebuild(path, change)


def bomb_deck(folder):
    path = os.path.join(folder, "bomb.pptx")
    deck.write(path, {"slides": [{"title": "Small on the outside"}]})
    with zipfile.ZipFile(path, "a", zipfile.ZIP_DEFLATED) as z:
        zeros = bytes(1 << 20)
        info = zipfile.ZipInfo("ppt/media/zeros.bin", (2020, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        with z.open(info, "w", force_zip64=False) as part:
            for _ in range(1024):
                part.write(zeros)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    folder, outside, port = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    os.makedirs(outside, exist_ok=True)
    with open(os.path.join(outside, "private.png"), "wb") as f:
        f.write(png((255, 0, 0)))
    with open(os.path.join(outside, "film.mp4"), "wb") as f:
        f.write(b"\x00\x00\x00\x18ftypmp42")
    links_deck(folder, outside, port)
    objects_pptx(folder, outside)
    odf_decks(folder, outside)
    actions_deck(folder, outside, port)
    for name, advance in (("time-inf.pptx", "inf"), ("time-1e300.pptx", "1e300"), ("time-9e15.pptx", "9000000000000000")):
        timed_deck(folder, name, advance)
    deck.write(os.path.join(folder, "many.pptx"), {"slides": [{"title": str(k)} for k in range(10000)]})
    bomb_deck(folder)
    with open(os.path.join(folder, "page.pptx"), "w") as f:
        f.write("<!DOCTYPE html>\n<html><head><title>Quarterly results</title></head>"
                "<body><img src=\"http://127.0.0.1:%s/page.png\"></body></html>\n" % port)


if __name__ == "__main__":
    main()
