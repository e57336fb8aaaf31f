// Writes the presentations of the corpus that pptxgenjs lays out: another
// writer than our office, with its own idea of layouts, charts and tables.
// usage: node make_decks.js OUT_FOLDER PICTURE_FOLDER
// PICTURE_FOLDER holds picture.png and picture.jpg (made by make_decks.sh).
"use strict";
const fs = require("fs");
const path = require("path");
const PptxGenJS = require("pptxgenjs");
const JSZip = require("jszip");

const [out, pictures] = process.argv.slice(2);
if (!out || !pictures) {
    console.error("usage: node make_decks.js OUT_FOLDER PICTURE_FOLDER");
    process.exit(2);
}

// Fixed metadata, so a regenerated deck differs only where its content does.
function deck(layout) {
    const pptx = new PptxGenJS();
    pptx.author = "Kalvista tests";
    pptx.company = "Kalvista";
    pptx.title = "Corpus deck";
    if (typeof layout === "string") {
        pptx.layout = layout;
    } else {
        pptx.defineLayout(layout);
        pptx.layout = layout.name;
    }
    return pptx;
}

function titled(pptx, title, colour) {
    const slide = pptx.addSlide();
    slide.background = { color: colour };
    slide.addText(title, { x: 0.4, y: 0.3, w: "90%", h: 0.9, fontSize: 30, bold: true, color: "202020", fontFace: "DejaVu Sans" });
    return slide;
}

async function save(pptx, name) {
    const file = path.join(out, name);
    await pptx.writeFile({ fileName: file, compression: true });
    return file;
}

// Puts two shapes of a slide into one group, the way PowerPoint stores a
// grouping (p:grpSp with its own frame), which pptxgenjs cannot write.
async function groupShapes(file, slideNumber) {
    const zip = await JSZip.loadAsync(fs.readFileSync(file));
    const part = `ppt/slides/slide${slideNumber}.xml`;
    const xml = await zip.file(part).async("string");
    const emu = (inches) => Math.round(inches * 914400);
    const box = (id, name, x, y, w, h, colour, geometry) =>
        `<p:sp><p:nvSpPr><p:cNvPr id="${id}" name="${name}"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr>` +
        `<p:spPr><a:xfrm><a:off x="${emu(x)}" y="${emu(y)}"/><a:ext cx="${emu(w)}" cy="${emu(h)}"/></a:xfrm>` +
        `<a:prstGeom prst="${geometry}"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val="${colour}"/></a:solidFill></p:spPr></p:sp>`;
    // The group's child frame is half its outer frame: the office must scale the children.
    const group =
        `<p:grpSp><p:nvGrpSpPr><p:cNvPr id="900" name="Group"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>` +
        `<p:grpSpPr><a:xfrm><a:off x="${emu(1)}" y="${emu(2)}"/><a:ext cx="${emu(5)}" cy="${emu(4)}"/>` +
        `<a:chOff x="0" y="0"/><a:chExt cx="${emu(2.5)}" cy="${emu(2)}"/></a:xfrm></p:grpSpPr>` +
        box(901, "Square", 0, 0, 1.2, 1.2, "C0504D", "rect") + box(902, "Circle", 1.3, 0.8, 1.2, 1.2, "4F81BD", "ellipse") +
        `</p:grpSp>`;
    zip.file(part, xml.replace("</p:spTree>", group + "</p:spTree>"));
    fs.writeFileSync(file, await zip.generateAsync({ type: "nodebuffer", compression: "DEFLATE" }));
}

async function main() {
    fs.mkdirSync(out, { recursive: true });
    const svg = path.join(pictures, "picture.svg");

    // 4:3 with shapes, a table and speaker notes.
    {
        const pptx = deck({ name: "FOUR_BY_THREE", width: 10, height: 7.5 });
        titled(pptx, "Four by three", "FFF2CC").addText("Plain text on a coloured slide\nsecond line", {
            x: 0.6, y: 1.6, w: 8.5, h: 2, fontSize: 24, color: "203864", fontFace: "DejaVu Sans" });
        const shapes = titled(pptx, "Shapes", "FFFFFF");
        shapes.addShape(pptx.ShapeType.rect, { x: 0.8, y: 1.8, w: 3, h: 2, fill: { color: "9BBB59" } });
        shapes.addShape(pptx.ShapeType.ellipse, { x: 4.5, y: 2.2, w: 3, h: 3, fill: { color: "F79646" }, line: { color: "000000", width: 2 } });
        shapes.addShape(pptx.ShapeType.line, { x: 0.8, y: 6.2, w: 8, h: 0, line: { color: "1F497D", width: 4 } });
        shapes.addNotes("Notes of the shapes slide: the speaker says this.");
        const table = titled(pptx, "A table", "FFFFFF");
        const head = { bold: true, fill: { color: "4F81BD" }, color: "FFFFFF" };
        table.addTable(
            [[{ text: "Quarter", options: head }, { text: "Units", options: head }, { text: "Share", options: head }],
             ["Q1", "120", "20 %"], ["Q2", "180", "30 %"], ["Q3", "300", "50 %"]],
            { x: 0.8, y: 1.7, w: 8.4, fontSize: 20, border: { type: "solid", color: "404040", pt: 1 }, fontFace: "DejaVu Sans" });
        table.addNotes("Table notes");
        await save(pptx, "four-by-three.pptx");
    }

    // 16:9 with charts.
    {
        const pptx = deck("LAYOUT_16x9");
        const labels = ["North", "South", "East", "West"];
        titled(pptx, "Bar chart", "FFFFFF").addChart(pptx.ChartType.bar, [{ name: "Sales", labels, values: [4, 7, 3, 9] }], {
            x: 0.5, y: 1.2, w: 9, h: 4.2, chartColors: ["4F81BD"], showLegend: false });
        titled(pptx, "Pie chart", "EEECE1").addChart(pptx.ChartType.pie, [{ name: "Share", labels, values: [10, 20, 30, 40] }], {
            x: 2.5, y: 1.2, w: 5, h: 4.2, chartColors: ["C0504D", "9BBB59", "8064A2", "4BACC6"], showLegend: true });
        titled(pptx, "Wide text", "DDEBF7").addText("A sixteen by nine slide", { x: 0.5, y: 2, w: 9, h: 1.5, fontSize: 36, fontFace: "DejaVu Sans" });
        await save(pptx, "sixteen-by-nine.pptx");
    }

    // A square custom size with pictures of three kinds and a group.
    {
        const pptx = deck({ name: "SQUARE", width: 7.5, height: 7.5 });
        const slide = titled(pptx, "Pictures", "FFFFFF");
        slide.addImage({ path: path.join(pictures, "picture.png"), x: 0.3, y: 1.4, w: 3.3, h: 2.5 });
        slide.addImage({ path: path.join(pictures, "picture.jpg"), x: 3.9, y: 1.4, w: 3.3, h: 2.5 });
        slide.addImage({ path: svg, x: 2, y: 4.3, w: 3, h: 3 });
        titled(pptx, "Grouped shapes", "F2F2F2");
        const file = await save(pptx, "square-pictures.pptx");
        await groupShapes(file, 2);
    }

    // Hidden slides, the first among them: the show starts at slide 2.
    {
        const pptx = deck({ name: "FOUR_BY_THREE", width: 10, height: 7.5 });
        titled(pptx, "Hidden first", "FF0000").hidden = true;
        titled(pptx, "Shown one", "00B050");
        titled(pptx, "Hidden middle", "FF0000").hidden = true;
        titled(pptx, "Shown two", "0070C0");
        await save(pptx, "hidden-slides.pptx");
    }

    // Right-to-left and CJK text.
    {
        const pptx = deck({ name: "FOUR_BY_THREE", width: 10, height: 7.5 });
        const rtl = titled(pptx, "Right to left", "FFFFFF");
        rtl.addText("שלום עולם, זו שקופית", { x: 0.5, y: 1.8, w: 9, h: 1.2, fontSize: 32, rtlMode: true, align: "right", lang: "he-IL", fontFace: "DejaVu Sans" });
        rtl.addText("مرحبا بالعالم", { x: 0.5, y: 3.5, w: 9, h: 1.2, fontSize: 32, rtlMode: true, align: "right", lang: "ar-SA", fontFace: "DejaVu Sans" });
        const cjk = titled(pptx, "CJK", "FFFFFF");
        cjk.addText("你好，世界。这是一张幻灯片。", { x: 0.5, y: 1.8, w: 9, h: 1.2, fontSize: 32, lang: "zh-CN", fontFace: "Droid Sans Fallback" });
        cjk.addText("こんにちは世界、スライドです", { x: 0.5, y: 3.5, w: 9, h: 1.2, fontSize: 32, lang: "ja-JP", fontFace: "Droid Sans Fallback" });
        await save(pptx, "rtl-and-cjk.pptx");
    }

    // A font no system has: the office shows the text in a substitute.
    {
        const pptx = deck({ name: "FOUR_BY_THREE", width: 10, height: 7.5 });
        const face = { fontFace: "Kalvista Nowhere Grotesk" };
        titled(pptx, "Missing font", "FFFFFF").addText("Set in a font that is not installed", {
            x: 0.6, y: 1.8, w: 8.5, h: 1.5, fontSize: 28, color: "203864", ...face });
        titled(pptx, "Still readable", "E2EFDA").addText("Another face stands in", {
            x: 0.6, y: 1.8, w: 8.5, h: 1.5, fontSize: 28, bold: true, ...face });
        await save(pptx, "missing-font.pptx");
    }

    // No slides at all.
    await save(deck("LAYOUT_16x9"), "no-slides.pptx");
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
