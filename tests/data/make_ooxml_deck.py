#!/usr/bin/env python3
"""Writes a presentation the way PowerPoint lays one out (OOXML parts: a
master with layouts, a theme, slides), without any office involved.

usage: make_ooxml_deck.py OUT.pptx|OUT.ppsx SPEC.json
SPEC: {"size": [cx, cy] in EMU (default 4:3),
       "slides": [{"title": "...", "body": ["line", ...],
                   "transition": "fade"|"push"|"random"|null,
                   "advance_ms": 1500 | null (click only),
                   "hidden": false, "colour": "RRGGBB" | null,
                   "sound": true (a click the show plays as the slide comes in) | null,
                   "media": "/path/sound.wav", "/path/film.webm" or "/path/film.mp4"
                            (embedded as a media shape that plays by itself as the
                            slide comes in; a film covers the middle of the slide) | null,
                   "poster": "/path/frame.png" (the picture shown for the media while it
                             does not play; a grey dot when absent) | null,
                   "entrance": "click" | "after" (the body text comes in by a fade
                               effect on a click, or by itself with the slide) | null,
                   "effects": [{"kind": "fade"|"fly"|"spin"|"exit"|"path",
                                "trigger": "click"|"after"|"with", "ms": 1000}, ...]
                              (effects on the body text, in order, as PowerPoint
                              writes them: fade or fly-in entrances, a spin
                              emphasis, a fade exit, a motion path) | null,
                   "loop": true (the media plays again and again until the slide ends) | null,
                   "picture": "/path/anim.gif" (a picture beside the text) | null,
                   "notes": ["speaker notes line", ...] | null}, ...]}
"""
import io
import json
import math
import os
import sys
import wave
import zlib
import zipfile
from xml.sax.saxutils import escape

P = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
     'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"')
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
MEDIA_REL = "http://schemas.microsoft.com/office/2007/relationships/media"
CT = "application/vnd.openxmlformats-officedocument.presentationml"
LAYOUTS = [("title", "Title Slide"), ("obj", "Title and Content")]


def rels(items):
    """Relationships rId1.. in order; a kind that is a whole address is kept as it is."""
    body = "".join(f'<Relationship Id="rId{i + 1}" Type="{kind if "://" in kind else REL + "/" + kind}" Target="{target}"/>'
                   for i, (kind, target) in enumerate(items))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            f'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">{body}</Relationships>')


def shape(sid, name, ph, lines, box=None):
    xfrm = ""
    if box:
        x, y, cx, cy = box
        xfrm = f'<a:xfrm><a:off x="{x}" y="{y}"/><a:ext cx="{cx}" cy="{cy}"/></a:xfrm>'
    paras = "".join(f'<a:p><a:r><a:rPr lang="en-US"/><a:t>{escape(t)}</a:t></a:r></a:p>' for t in lines) or "<a:p/>"
    return (f'<p:sp><p:nvSpPr><p:cNvPr id="{sid}" name="{name}"/><p:cNvSpPr><a:spLocks noGrp="1"/></p:cNvSpPr>'
            f'<p:nvPr>{ph}</p:nvPr></p:nvSpPr><p:spPr>{xfrm}</p:spPr>'
            f'<p:txBody><a:bodyPr/><a:lstStyle/>{paras}</p:txBody></p:sp>')


def tree(shapes, background=""):
    return (f'<p:cSld>{background}<p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>'
            '<p:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/><a:chOff x="0" y="0"/>'
            f'<a:chExt cx="0" cy="0"/></a:xfrm></p:grpSpPr>{"".join(shapes)}</p:spTree></p:cSld>')


def theme():
    colours = {"dk1": "000000", "lt1": "FFFFFF", "dk2": "1F497D", "lt2": "EEECE1", "accent1": "4F81BD",
               "accent2": "C0504D", "accent3": "9BBB59", "accent4": "8064A2", "accent5": "4BACC6",
               "accent6": "F79646", "hlink": "0000FF", "folHlink": "800080"}
    scheme = "".join(f'<a:{k}><a:srgbClr val="{v}"/></a:{k}>' for k, v in colours.items())
    fill = '<a:solidFill><a:schemeClr val="phClr"/></a:solidFill>'
    line = '<a:ln w="9525"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln>'
    font = '<a:latin typeface="DejaVu Sans"/><a:ea typeface=""/><a:cs typeface=""/>'
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><a:theme {P} name="Office Theme"><a:themeElements>'
            f'<a:clrScheme name="Office">{scheme}</a:clrScheme>'
            f'<a:fontScheme name="Office"><a:majorFont>{font}</a:majorFont><a:minorFont>{font}</a:minorFont></a:fontScheme>'
            f'<a:fmtScheme name="Office"><a:fillStyleLst>{fill * 3}</a:fillStyleLst><a:lnStyleLst>{line * 3}</a:lnStyleLst>'
            '<a:effectStyleLst>' + '<a:effectStyle><a:effectLst/></a:effectStyle>' * 3 + '</a:effectStyleLst>'
            f'<a:bgFillStyleLst>{fill * 3}</a:bgFillStyleLst></a:fmtScheme></a:themeElements></a:theme>')


def master(cx, cy):
    title = shape(2, "Title Placeholder 1", '<p:ph type="title"/>', ["Title"], (cx // 12, cy // 24, cx * 5 // 6, cy // 6))
    body = shape(3, "Text Placeholder 2", '<p:ph type="body" idx="1"/>', ["Text"], (cx // 12, cy // 4, cx * 5 // 6, cy * 2 // 3))
    ids = "".join(f'<p:sldLayoutId id="{2147483649 + i}" r:id="rId{i + 1}"/>' for i in range(len(LAYOUTS)))
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:sldMaster {P}>'
            + tree([title, body], '<p:bg><p:bgRef idx="1001"><a:schemeClr val="bg1"/></p:bgRef></p:bg>')
            + '<p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" accent1="accent1" accent2="accent2" accent3="accent3" '
              'accent4="accent4" accent5="accent5" accent6="accent6" hlink="hlink" folHlink="folHlink"/>'
            + f'<p:sldLayoutIdLst>{ids}</p:sldLayoutIdLst>'
            + '<p:txStyles><p:titleStyle><a:lvl1pPr><a:defRPr sz="4400"/></a:lvl1pPr></p:titleStyle>'
              '<p:bodyStyle><a:lvl1pPr><a:defRPr sz="3200"/></a:lvl1pPr></p:bodyStyle><p:otherStyle/></p:txStyles></p:sldMaster>')


def layout(kind, name):
    shapes = [shape(2, "Title 1", '<p:ph type="ctrTitle"/>' if kind == "title" else '<p:ph type="title"/>', [])]
    shapes.append(shape(3, "Subtitle 2", '<p:ph type="subTitle" idx="1"/>', []) if kind == "title"
                  else shape(3, "Content 2", '<p:ph idx="1"/>', []))
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:sldLayout {P} type="{kind}" preserve="1">'
            f'<p:cSld name="{name}">' + tree(shapes)[len("<p:cSld>"):] + '<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>')


def transition(slide, sound_rid):
    kind = slide.get("transition")
    advance = slide.get("advance_ms")
    attrs = f' advTm="{int(advance)}"' if advance is not None else ""
    if not kind and advance is None and not slide.get("sound"):
        return ""
    effect = {"fade": "<p:fade/>", "push": '<p:push dir="l"/>', "cover": '<p:cover dir="l"/>', "random": "<p:random/>",
              None: ""}[kind]
    if slide.get("sound"):
        effect += f'<p:sndAc><p:stSnd><p:snd r:embed="{sound_rid}" name="click.wav"/></p:stSnd></p:sndAc>'
    return f'<p:transition spd="fast"{attrs}>{effect}</p:transition>'


def sine_wav(amplitude, hz, seconds):
    """A sine at 44.1 kHz, mono, 16-bit, as a WAV file's bytes."""
    rate = 44100
    frames = b"".join(int(amplitude * math.sin(2 * math.pi * hz * i / rate)).to_bytes(2, "little", signed=True)
                      for i in range(int(rate * seconds)))
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)
    return out.getvalue()


def click_wav():
    """10 ms of a loud 3 kHz tone: an onset easy to find."""
    return sine_wav(26000, 3000, 0.01)


def poster_png():
    """A 1x1 grey PNG: the picture PowerPoint shows for a sound on its slide."""
    def chunk(kind, data):
        return (len(data).to_bytes(4, "big") + kind + data
                + zlib.crc32(kind + data).to_bytes(4, "big"))
    header = (1).to_bytes(4, "big") * 2 + bytes([8, 2, 0, 0, 0])
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"\x00\x80\x80\x80")) + chunk(b"IEND", b""))


def media_kind(path):
    return "audio" if path.lower().endswith(".wav") else "video"


def media_shape(sid, kind, link_rid, media_rid, poster_rid):
    """A sound or film embedded on the slide, laid out as PowerPoint 2010 and
    later write it: the media part linked twice (the old audioFile/videoFile
    and the p14 media extension), with a poster picture."""
    p14 = "http://schemas.microsoft.com/office/powerpoint/2010/main"
    box = ('<a:off x="4267200" y="3124200"/><a:ext cx="609600" cy="609600"/>' if kind == "audio"
           else '<a:off x="1524000" y="1143000"/><a:ext cx="6096000" cy="4572000"/>')
    return (f'<p:pic><p:nvPicPr><p:cNvPr id="{sid}" name="media"><a:hlinkClick r:id="" action="ppaction://media"/>'
            '</p:cNvPr><p:cNvPicPr><a:picLocks noChangeAspect="1"/></p:cNvPicPr>'
            f'<p:nvPr><a:{kind}File r:link="{link_rid}"/><p:extLst><p:ext uri="{{DAA4B4D4-6D71-4841-9C94-3DE5FCE23C65}}">'
            f'<p14:media xmlns:p14="{p14}" r:embed="{media_rid}"/></p:ext></p:extLst></p:nvPr></p:nvPicPr>'
            f'<p:blipFill><a:blip r:embed="{poster_rid}"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>'
            f'<p:spPr><a:xfrm>{box}</a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')


def effect_xml(effect, sid, node_id, node_type):
    """One effect on shape `sid` with its behaviours, as PowerPoint writes it."""
    ms = int(effect.get("ms", 1000))
    target = f'<p:tgtEl><p:spTgt spid="{sid}"/></p:tgtEl>'
    kind = effect["kind"]

    def set_visibility(value, delay=0):
        return (f'<p:set><p:cBhvr><p:cTn id="{next(node_id)}" dur="1" fill="hold"><p:stCondLst><p:cond delay="{delay}"/>'
                f'</p:stCondLst></p:cTn>{target}<p:attrNameLst><p:attrName>style.visibility</p:attrName></p:attrNameLst>'
                f'</p:cBhvr><p:to><p:strVal val="{value}"/></p:to></p:set>')

    def anim(attribute, start, end):
        return (f'<p:anim calcmode="lin" valueType="num"><p:cBhvr additive="base"><p:cTn id="{next(node_id)}" dur="{ms}" '
                f'fill="hold"/>{target}<p:attrNameLst><p:attrName>{attribute}</p:attrName></p:attrNameLst></p:cBhvr>'
                f'<p:tavLst><p:tav tm="0"><p:val><p:strVal val="{start}"/></p:val></p:tav><p:tav tm="100000"><p:val>'
                f'<p:strVal val="{end}"/></p:val></p:tav></p:tavLst></p:anim>')

    if kind == "fade":
        preset, cls, inner = 10, "entr", set_visibility("visible") + (
            f'<p:animEffect transition="in" filter="fade"><p:cBhvr><p:cTn id="{next(node_id)}" dur="{ms}"/>{target}'
            '</p:cBhvr></p:animEffect>')
    elif kind == "fly":
        preset, cls, inner = 2, "entr", set_visibility("visible") + anim("ppt_x", "#ppt_x", "#ppt_x") + anim(
            "ppt_y", "1+#ppt_h/2", "#ppt_y")
    elif kind == "spin":
        preset, cls, inner = 8, "emph", (
            f'<p:animRot by="21600000"><p:cBhvr><p:cTn id="{next(node_id)}" dur="{ms}" fill="hold"/>{target}'
            '<p:attrNameLst><p:attrName>r</p:attrName></p:attrNameLst></p:cBhvr></p:animRot>')
    elif kind == "exit":
        preset, cls, inner = 10, "exit", (
            f'<p:animEffect transition="out" filter="fade"><p:cBhvr><p:cTn id="{next(node_id)}" dur="{ms}"/>{target}'
            '</p:cBhvr></p:animEffect>') + set_visibility("hidden", ms - 1)
    elif kind == "path":
        preset, cls, inner = 0, "path", (
            f'<p:animMotion origin="layout" path="M 0 0 L 0.25 0.25 E" pathEditMode="relative"><p:cBhvr>'
            f'<p:cTn id="{next(node_id)}" dur="{ms}" fill="hold"/>{target}<p:attrNameLst><p:attrName>ppt_x</p:attrName>'
            '<p:attrName>ppt_y</p:attrName></p:attrNameLst></p:cBhvr></p:animMotion>')
    else:
        raise ValueError(kind)
    effect_id = next(node_id)
    return (f'<p:par><p:cTn id="{effect_id}" presetID="{preset}" presetClass="{cls}" presetSubtype="0" fill="hold" '
            f'grpId="0" nodeType="{node_type}"><p:stCondLst><p:cond delay="0"/></p:stCondLst><p:childTnLst>'
            f'{inner}</p:childTnLst></p:cTn></p:par>'), ms


def effects_timing(sid, effects):
    """The main sequence of `effects` on shape `sid`: a group per click (the
    first group starts with the slide when its first effect does not wait for
    a click), within it a step per "after previous" at its offset, effects
    "with previous" beside the one before."""
    counter = iter(range(3, 10000))
    groups = []  # [on_click, [[offset_ms, [effect xml]], ...], end_ms]
    for effect in effects:
        trigger = effect.get("trigger", "click")
        if trigger == "click" or not groups:
            groups.append([trigger == "click", [], 0])
        group = groups[-1]
        node_type = {"click": "clickEffect", "after": "afterEffect", "with": "withEffect"}[trigger]
        if trigger != "with" or not group[1]:
            group[1].append([group[2], []])
        xml, ms = effect_xml(effect, sid, counter, node_type)
        step = group[1][-1]
        step[1].append(xml)
        group[2] = max(group[2], step[0] + ms)
    body = ""
    for on_click, steps, _ in groups:
        start = ('<p:cond delay="indefinite"/>' if on_click
                 else '<p:cond delay="indefinite"/><p:cond evt="onBegin" delay="0"><p:tn val="2"/></p:cond>')
        inner = "".join(f'<p:par><p:cTn id="{next(counter)}" fill="hold"><p:stCondLst><p:cond delay="{offset}"/>'
                        f'</p:stCondLst><p:childTnLst>{"".join(parts)}</p:childTnLst></p:cTn></p:par>'
                        for offset, parts in steps)
        body += (f'<p:par><p:cTn id="{next(counter)}" fill="hold"><p:stCondLst>{start}</p:stCondLst>'
                 f'<p:childTnLst>{inner}</p:childTnLst></p:cTn></p:par>')
    return ('<p:timing><p:tnLst><p:par><p:cTn id="1" dur="indefinite" restart="never" nodeType="tmRoot"><p:childTnLst>'
            f'<p:seq concurrent="1" nextAc="seek"><p:cTn id="2" dur="indefinite" nodeType="mainSeq"><p:childTnLst>{body}'
            '</p:childTnLst></p:cTn>'
            '<p:prevCondLst><p:cond evt="onPrev" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:prevCondLst>'
            '<p:nextCondLst><p:cond evt="onNext" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:nextCondLst>'
            f'</p:seq></p:childTnLst></p:cTn></p:par></p:tnLst><p:bldLst><p:bldP spid="{sid}" grpId="0" build="p"/>'
            '</p:bldLst></p:timing>')


def picture_shape(sid, rid):
    return (f'<p:pic><p:nvPicPr><p:cNvPr id="{sid}" name="Picture {sid}"/><p:cNvPicPr><a:picLocks noChangeAspect="1"/>'
            f'</p:cNvPicPr><p:nvPr/></p:nvPicPr><p:blipFill><a:blip r:embed="{rid}"/><a:stretch><a:fillRect/></a:stretch>'
            '</p:blipFill><p:spPr><a:xfrm><a:off x="5486400" y="3657600"/><a:ext cx="2743200" cy="2057400"/></a:xfrm>'
            '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></p:spPr></p:pic>')


def media_timing(sid, kind, loop=False):
    """The timing PowerPoint writes for media set to start "Automatically":
    played with the slide's own start, not on a click."""
    repeat = ' repeatCount="indefinite"' if loop else ""
    return ('<p:timing><p:tnLst><p:par><p:cTn id="1" dur="indefinite" restart="never" nodeType="tmRoot"><p:childTnLst>'
            '<p:seq concurrent="1" nextAc="seek"><p:cTn id="2" dur="indefinite" nodeType="mainSeq"><p:childTnLst>'
            '<p:par><p:cTn id="3" fill="hold"><p:stCondLst><p:cond delay="indefinite"/>'
            '<p:cond evt="onBegin" delay="0"><p:tn val="2"/></p:cond></p:stCondLst><p:childTnLst>'
            '<p:par><p:cTn id="4" fill="hold"><p:stCondLst><p:cond delay="0"/></p:stCondLst><p:childTnLst>'
            '<p:par><p:cTn id="5" presetID="1" presetClass="mediacall" presetSubtype="0" fill="hold" '
            'nodeType="afterEffect"><p:stCondLst><p:cond delay="0"/></p:stCondLst><p:childTnLst>'
            f'<p:cmd type="call" cmd="playFrom(0.0)"><p:cBhvr><p:cTn id="6" dur="1" fill="hold"/><p:tgtEl>'
            f'<p:spTgt spid="{sid}"/></p:tgtEl></p:cBhvr></p:cmd></p:childTnLst></p:cTn></p:par>'
            '</p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn>'
            '<p:prevCondLst><p:cond evt="onPrev" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:prevCondLst>'
            '<p:nextCondLst><p:cond evt="onNext" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:nextCondLst>'
            f'</p:seq><p:{kind}><p:cMediaNode vol="80000"><p:cTn id="7"{repeat} fill="hold" display="0"><p:stCondLst>'
            '<p:cond delay="indefinite"/></p:stCondLst></p:cTn><p:tgtEl>'
            f'<p:spTgt spid="{sid}"/></p:tgtEl></p:cMediaNode></p:{kind}></p:childTnLst></p:cTn></p:par></p:tnLst>'
            '</p:timing>')


def entrance_timing(sid, trigger):
    """A fade entrance of one shape as PowerPoint writes it: on a click, or
    by itself as the slide starts ("After Previous")."""
    start = '<p:cond delay="indefinite"/>' + ('<p:cond evt="onBegin" delay="0"><p:tn val="2"/></p:cond>'
                                               if trigger == "after" else "")
    node = "afterEffect" if trigger == "after" else "clickEffect"
    target = f'<p:tgtEl><p:spTgt spid="{sid}"/></p:tgtEl>'
    return ('<p:timing><p:tnLst><p:par><p:cTn id="1" dur="indefinite" restart="never" nodeType="tmRoot"><p:childTnLst>'
            '<p:seq concurrent="1" nextAc="seek"><p:cTn id="2" dur="indefinite" nodeType="mainSeq"><p:childTnLst>'
            f'<p:par><p:cTn id="3" fill="hold"><p:stCondLst>{start}</p:stCondLst><p:childTnLst>'
            '<p:par><p:cTn id="4" fill="hold"><p:stCondLst><p:cond delay="0"/></p:stCondLst><p:childTnLst>'
            f'<p:par><p:cTn id="5" presetID="10" presetClass="entr" presetSubtype="0" fill="hold" grpId="0" nodeType="{node}">'
            '<p:stCondLst><p:cond delay="0"/></p:stCondLst><p:childTnLst>'
            '<p:set><p:cBhvr><p:cTn id="6" dur="1" fill="hold"><p:stCondLst><p:cond delay="0"/></p:stCondLst></p:cTn>'
            f'{target}<p:attrNameLst><p:attrName>style.visibility</p:attrName></p:attrNameLst></p:cBhvr>'
            '<p:to><p:strVal val="visible"/></p:to></p:set>'
            f'<p:animEffect transition="in" filter="fade"><p:cBhvr><p:cTn id="7" dur="300"/>{target}</p:cBhvr></p:animEffect>'
            '</p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par></p:childTnLst></p:cTn></p:par>'
            '</p:childTnLst></p:cTn>'
            '<p:prevCondLst><p:cond evt="onPrev" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:prevCondLst>'
            '<p:nextCondLst><p:cond evt="onNext" delay="0"><p:tgtEl><p:sldTgt/></p:tgtEl></p:cond></p:nextCondLst>'
            f'</p:seq></p:childTnLst></p:cTn></p:par></p:tnLst><p:bldLst><p:bldP spid="{sid}" grpId="0" build="p"/></p:bldLst>'
            '</p:timing>')


def notes_master():
    body = shape(2, "Notes Placeholder 1", '<p:ph type="body" idx="1"/>', ["Notes"])
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:notesMaster {P}>'
            + tree([body], '<p:bg><p:bgRef idx="1001"><a:schemeClr val="bg1"/></p:bgRef></p:bg>')
            + '<p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" accent1="accent1" accent2="accent2" accent3="accent3" '
              'accent4="accent4" accent5="accent5" accent6="accent6" hlink="hlink" folHlink="folHlink"/></p:notesMaster>')


def notes_xml(lines):
    picture = ('<p:sp><p:nvSpPr><p:cNvPr id="2" name="Slide Image Placeholder 1"/><p:cNvSpPr><a:spLocks noGrp="1" '
               'noRot="1" noChangeAspect="1"/></p:cNvSpPr><p:nvPr><p:ph type="sldImg"/></p:nvPr></p:nvSpPr><p:spPr/></p:sp>')
    body = shape(3, "Notes Placeholder 2", '<p:ph type="body" idx="1"/>', lines)
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:notes {P}>' + tree([picture, body])
            + '<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:notes>')


def slide_xml(index, slide, sound_rid=None, media_rids=None, picture_rid=None):
    first = index == 0
    title = shape(2, "Title 1", '<p:ph type="ctrTitle"/>' if first else '<p:ph type="title"/>', [slide.get("title", "")])
    body = shape(3, "Subtitle 2" if first else "Content 2", '<p:ph type="subTitle" idx="1"/>' if first else '<p:ph idx="1"/>',
                 slide.get("body", []))
    background = ""
    if slide.get("colour"):
        background = f'<p:bg><p:bgPr><a:solidFill><a:srgbClr val="{slide["colour"]}"/></a:solidFill><a:effectLst/></p:bgPr></p:bg>'
    hidden = ' show="0"' if slide.get("hidden") else ""
    shapes, timing = [title, body], ""
    if picture_rid:
        shapes.append(picture_shape(5, picture_rid))
    if media_rids:
        kind = media_kind(slide["media"])
        shapes.append(media_shape(4, kind, *media_rids))
        timing = media_timing(4, kind, slide.get("loop", False))
    elif slide.get("entrance"):
        timing = entrance_timing(3, slide["entrance"])
    elif slide.get("effects"):
        timing = effects_timing(3, slide["effects"])
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:sld {P}{hidden}>' + tree(shapes, background)
            + '<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>' + transition(slide, sound_rid) + timing + '</p:sld>')


def write(out, description):
    cx, cy = description.get("size", [9144000, 6858000])
    slides = description["slides"]
    show = out.lower().endswith(".ppsx")
    noted = [i for i, slide in enumerate(slides) if slide.get("notes")]
    main = f"{CT}.slideshow.main+xml" if show else f"{CT}.presentation.main+xml"
    overrides = [("/ppt/presentation.xml", main), ("/ppt/slideMasters/slideMaster1.xml", f"{CT}.slideMaster+xml"),
                 ("/ppt/theme/theme1.xml", "application/vnd.openxmlformats-officedocument.theme+xml"),
                 ("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"),
                 ("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml")]
    overrides += [(f"/ppt/slideLayouts/slideLayout{i + 1}.xml", f"{CT}.slideLayout+xml") for i in range(len(LAYOUTS))]
    overrides += [(f"/ppt/slides/slide{i + 1}.xml", f"{CT}.slide+xml") for i in range(len(slides))]
    if noted:
        overrides += [("/ppt/notesMasters/notesMaster1.xml", f"{CT}.notesMaster+xml"),
                      ("/ppt/theme/theme2.xml", "application/vnd.openxmlformats-officedocument.theme+xml")]
        overrides += [(f"/ppt/notesSlides/notesSlide{i + 1}.xml", f"{CT}.notesSlide+xml") for i in noted]
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             + ('<Default Extension="wav" ContentType="audio/wav"/>'
                if any(x.get("sound") or x.get("media", "").endswith(".wav") for x in slides) else "")
             + "".join(f'<Default Extension="{ext}" ContentType="video/{ext}"/>' for ext in ("webm", "mp4")
                       if any(x.get("media", "").endswith("." + ext) for x in slides))
             + ('<Default Extension="png" ContentType="image/png"/>' if any(x.get("media") for x in slides) else "")
             + ('<Default Extension="gif" ContentType="image/gif"/>' if any(x.get("picture") for x in slides) else "")
             + "".join(f'<Override PartName="{n}" ContentType="{t}"/>' for n, t in overrides) + '</Types>')
    slide_ids = "".join(f'<p:sldId id="{256 + i}" r:id="rId{i + 2}"/>' for i in range(len(slides)))
    # The notes master comes after the theme in the relationships.
    notes_master_id = f'<p:notesMasterIdLst><p:notesMasterId r:id="rId{len(slides) + 3}"/></p:notesMasterIdLst>'
    presentation = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:presentation {P} saveSubsetFonts="1">'
                    '<p:sldMasterIdLst><p:sldMasterId id="2147483648" r:id="rId1"/></p:sldMasterIdLst>'
                    + (notes_master_id if noted else "") + (f'<p:sldIdLst>{slide_ids}</p:sldIdLst>' if slides else ""))
    presentation += f'<p:sldSz cx="{cx}" cy="{cy}"/><p:notesSz cx="{cy}" cy="{cx}"/></p:presentation>'
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", rels([("officeDocument", "ppt/presentation.xml"),
                                        ("extended-properties", "docProps/app.xml")]).replace(
            f'Type="{REL}/extended-properties" Target="docProps/app.xml"/>',
            f'Type="{REL}/extended-properties" Target="docProps/app.xml"/><Relationship Id="rId3" '
            'Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" '
            'Target="docProps/core.xml"/>'))
        z.writestr("docProps/app.xml", '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Properties '
                   'xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties">'
                   f'<Application>Microsoft Office PowerPoint</Application><Slides>{len(slides)}</Slides></Properties>')
        z.writestr("docProps/core.xml", '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><cp:coreProperties '
                   'xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
                   'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Deck</dc:title></cp:coreProperties>')
        z.writestr("ppt/presentation.xml", presentation)
        z.writestr("ppt/_rels/presentation.xml.rels",
                   rels([("slideMaster", "slideMasters/slideMaster1.xml")]
                        + [("slide", f"slides/slide{i + 1}.xml") for i in range(len(slides))]
                        + [("theme", "theme/theme1.xml")]
                        + ([("notesMaster", "notesMasters/notesMaster1.xml")] if noted else [])))
        z.writestr("ppt/theme/theme1.xml", theme())
        if noted:
            z.writestr("ppt/theme/theme2.xml", theme())
            z.writestr("ppt/notesMasters/notesMaster1.xml", notes_master())
            z.writestr("ppt/notesMasters/_rels/notesMaster1.xml.rels", rels([("theme", "../theme/theme2.xml")]))
        z.writestr("ppt/slideMasters/slideMaster1.xml", master(cx, cy))
        z.writestr("ppt/slideMasters/_rels/slideMaster1.xml.rels",
                   rels([("slideLayout", f"../slideLayouts/slideLayout{i + 1}.xml") for i in range(len(LAYOUTS))]
                        + [("theme", "../theme/theme1.xml")]))
        for i, (kind, name) in enumerate(LAYOUTS):
            z.writestr(f"ppt/slideLayouts/slideLayout{i + 1}.xml", layout(kind, name))
            z.writestr(f"ppt/slideLayouts/_rels/slideLayout{i + 1}.xml.rels",
                       rels([("slideMaster", "../slideMasters/slideMaster1.xml")]))
        if any(x.get("sound") for x in slides):
            z.writestr("ppt/media/click.wav", click_wav())
        for i, slide in enumerate(slides):
            notes = [("notesSlide", f"../notesSlides/notesSlide{i + 1}.xml")] if i in noted else []
            sound = [("audio", "../media/click.wav")] if slide.get("sound") else []
            media, media_rids = [], None
            if slide.get("media"):
                part = f"media{i + 1}" + os.path.splitext(slide["media"])[1].lower()
                z.write(slide["media"], f"ppt/media/{part}")
                if slide.get("poster"):
                    z.write(slide["poster"], f"ppt/media/image{i + 1}.png")
                else:
                    z.writestr(f"ppt/media/image{i + 1}.png", poster_png())
                media = [(media_kind(part), f"../media/{part}"), (MEDIA_REL, f"../media/{part}"),
                         ("image", f"../media/image{i + 1}.png")]
                first = 2 + len(notes) + len(sound)
                media_rids = tuple(f"rId{first + k}" for k in range(3))
            picture, picture_rid = [], None
            if slide.get("picture"):
                part = f"picture{i + 1}" + os.path.splitext(slide["picture"])[1].lower()
                z.write(slide["picture"], f"ppt/media/{part}")
                picture = [("image", f"../media/{part}")]
                picture_rid = f"rId{2 + len(notes) + len(sound) + len(media)}"
            z.writestr(f"ppt/slides/slide{i + 1}.xml", slide_xml(i, slide, f"rId{2 + len(notes)}", media_rids, picture_rid))
            z.writestr(f"ppt/slides/_rels/slide{i + 1}.xml.rels",
                       rels([("slideLayout", f"../slideLayouts/slideLayout{1 if i == 0 else 2}.xml")]
                            + notes + sound + media + picture))
            if notes:
                z.writestr(f"ppt/notesSlides/notesSlide{i + 1}.xml", notes_xml(slide["notes"]))
                z.writestr(f"ppt/notesSlides/_rels/notesSlide{i + 1}.xml.rels",
                           rels([("notesMaster", "../notesMasters/notesMaster1.xml"),
                                 ("slide", f"../slides/slide{i + 1}.xml")]))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[2], encoding="utf-8") as f:
        write(sys.argv[1], json.load(f))
