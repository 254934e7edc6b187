#!/usr/bin/env bash
# Regenerates the outside-format sample documents and their reference texts from
# sample.md with the real producers on this machine: pandoc writes HTML, DOCX, ODT and
# EPUB; LibreOffice converts pandoc's DOCX to PDF, DOCX, ODT and EPUB of its own. The
# reference texts are what pdftotext and pandoc make of each file, so the loaders are
# compared with independent readers of the very same bytes.
# Needs: pandoc, libreoffice-writer-nogui, poppler-utils, imagemagick.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 48x32 xc:steelblue -fill gold -draw "circle 24,16 24,4" figure.png

pandoc sample.md -s --metadata title=Sample -o sample.html
pandoc sample.md -o pandoc.docx
pandoc sample.md -o pandoc.odt
pandoc sample.md --metadata title=Sample -o pandoc.epub
cp sample.md sample-copy.md

cp pandoc.docx "$work/office.docx"
HOME="$work" soffice --headless --convert-to pdf --outdir "$work" "$work/office.docx" >/dev/null
HOME="$work" soffice --headless --convert-to odt --outdir "$work" "$work/office.docx" >/dev/null
HOME="$work" soffice --headless --convert-to epub --outdir "$work" "$work/office.docx" >/dev/null || true
cp "$work/office.pdf" office.pdf
cp "$work/office.odt" office.odt
[ -f "$work/office.epub" ] && cp "$work/office.epub" office.epub
HOME="$work" soffice --headless --convert-to "docx:MS Word 2007 XML" --outdir "$work/lo" "$work/office.odt" >/dev/null
cp "$work/lo/office.docx" office.docx
rm -f sample-copy.md
# The same text in a PDF that opens with the password "secret" only.
cp office.odt "$work/locked.odt"
HOME="$work" soffice --headless --convert-to 'pdf:writer_pdf_Export:{"EncryptFile":{"type":"boolean","value":"true"},"DocumentOpenPassword":{"type":"string","value":"secret"}}' --outdir "$work" "$work/locked.odt" >/dev/null
cp "$work/locked.pdf" locked.pdf

pdftotext -layout office.pdf office.pdf.txt
for f in pandoc.docx pandoc.odt pandoc.epub office.docx office.odt sample.html sample.md; do
  pandoc -t plain --wrap=none "$f" -o "$f.txt"
done
[ -f office.epub ] && pandoc -t plain --wrap=none office.epub -o office.epub.txt
