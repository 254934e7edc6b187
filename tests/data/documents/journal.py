#!/usr/bin/python3
# Draws an article of a journal as such pages are set: two justified columns, a running head
# with the journal's name and the article's title, the page number at the foot, footnotes
# tied to raised markers, a bullet list, a small table, an upper-case word hyphenated at a
# line's end, and sentences that run on from one column and from one page to the next.
# Paragraphs are set apart by space on the first page and by an indent after it.
#   journal.py PDF SPOKEN
# SPOKEN gets what a person reads on these pages, in order: the body without the running
# heads and page numbers, each note right after the paragraph that refers to it.
import re
import sys

from reportlab.lib.enums import TA_JUSTIFY
from reportlab.lib.pagesizes import A4
from reportlab.lib.styles import ParagraphStyle
from reportlab.platypus import (BaseDocTemplate, Frame, ListFlowable, ListItem, PageTemplate,
                                Paragraph, Spacer, Table)

WIDTH, HEIGHT = A4
MARGIN = 56
GUTTER = 18
NOTES_HEIGHT = 90
COLUMN = (WIDTH - 2 * MARGIN - GUTTER) / 2

spaced = ParagraphStyle('spaced', fontName='Times-Roman', fontSize=10, leading=12.5,
                        alignment=TA_JUSTIFY, spaceAfter=8)
indented = ParagraphStyle('indented', parent=spaced, spaceAfter=0, firstLineIndent=12)
heading = ParagraphStyle('heading', fontName='Times-Bold', fontSize=13, leading=16, spaceAfter=6)

NOTES = {
    '1': 'Seeds kept dry and cool stay good for three years or more.',
    '2': 'The almanac of the valley gives the dates for every month.',
    '3': 'Rainwater is softer than the water from the tap.',
}
notes_on_page = []


def marker(label):
    # The marker, and a call-back that notes which page it lands on.
    return '<onDraw name="note" label="%s"/><super>%s</super>' % (label, label)


def note_drawn(canvas, kind, label):
    notes_on_page.append(label)


def start_page(canvas, doc):
    canvas.note = note_drawn


def end_page(canvas, doc):
    canvas.saveState()
    canvas.setFont('Times-Italic', 9)
    canvas.drawString(MARGIN, HEIGHT - 36, 'Journal of Imaginary Studies Vol. 12')
    canvas.drawRightString(WIDTH - MARGIN, HEIGHT - 36, 'Gardening by the Moon')
    canvas.setFont('Times-Roman', 9)
    canvas.drawCentredString(WIDTH / 2, 30, str(16 + doc.page))
    y = MARGIN + NOTES_HEIGHT - 14
    canvas.setFont('Times-Roman', 8)
    for label in notes_on_page:
        canvas.drawString(MARGIN, y + 3, label)
        canvas.drawString(MARGIN + 6, y, NOTES[label])
        y -= 10
    notes_on_page.clear()
    canvas.restoreState()


WEEKS = ['first', 'second', 'third', 'fourth', 'fifth', 'sixth', 'seventh', 'eighth', 'ninth',
         'tenth', 'eleventh', 'twelfth', 'thirteenth', 'fourteenth', 'fifteenth', 'sixteenth',
         'seventeenth', 'eighteenth', 'nineteenth', 'twentieth']
CONTENT = [
    ('heading', 'Gardening by the Moon'),
    ('spaced', 'A garden rewards the patient hand. Every spring the beds are turned, the old '
     'leaves are raked away and the soil is left to breathe for a week before anything goes '
     'into it. The careful gardener keeps a book of what grew where, and the book remembers '
     'the seeds it stores.' + marker('1') + ' Nothing is wasted in such a garden, and nothing '
     'is done in a hurry.'),
    ('spaced', 'Old growers sow by the phases of the moon. Leafy crops go in while the moon is '
     'waxing, roots while it wanes, and nobody argues with a grandmother who has done it that '
     'way for sixty summers. Whether the moon helps or not, the habit makes a gardener watch '
     'the sky and the calendar together, which is a good habit with it that, without any '
     'doubt, makes the work steady and the harvest regular.'),
    ('spaced', 'The tools are few and simple, and each of them has its place on the wall of the '
     'shed where it can be found in the dark. A good gardener cleans every blade before '
     'putting it away and oils the handles once a year in the long evenings of autumn.'),
    ('list', ['a spade and a fork', 'seed potatoes', 'string']),
    ('spaced', 'Potatoes go into trenches a spade deep, a foot apart, with their eyes looking up '
     'at the sky. The rows run from north to south so that both sides of every plant see the '
     'sun during the day. When the shoots show, the soil is drawn up around them in ridges, '
     'and the ridges are raised again after every heavy rain.' + marker('2')),
    ('spaced', 'Onions like a firm bed and beans like a deep one. The table below shows when '
     'each crop was sown last year and how many rows it filled in the lower garden.'),
    ('table', [['Crop', 'Sown', 'Rows'], ['Onions', 'March', '4'], ['Beans', 'May', '2']]),
    ('spaced', 'Every allotment carries a notice with the GENERAL CONDI-<br/>TIONS of the '
     'society printed in capitals, and every new member signs them on the first day. They ask '
     'for tidy paths, shared water and quiet on Sundays, and they have not changed in forty '
     'years.'),
    ('spaced', 'Watering is done in the evening when the sun is low and the leaves will not '
     'scorch. A can with a fine rose gives the seedlings a gentle shower, while the older '
     'plants get a long drink at their roots once a week rather than a little every day. '
     'Water from the butt is better for the plants than water from the main.' + marker('3')),
] + [
    ('indented', 'In the %s week of summer the work changes again. The early crops are lifted '
     'and the beds are filled with the next sowing, so that no ground stands empty for long. '
     'Weeds are pulled while they are small, the hedges are trimmed after the birds have '
     'finished nesting, and the paths are swept on a dry afternoon when nothing else needs '
     'doing in the garden.' % week) for week in WEEKS
] + [
    ('indented', 'When the last leaves fall the garden goes to sleep under a blanket of '
     'compost, and the gardener sits by the window with the book of seeds and plans the next '
     'year.'),
]


def spoken(markup):
    # What a person reads of a paragraph: no markers, the hyphenated word whole.
    text = re.sub(r'<super>.*?</super>', '', markup).replace('-<br/>', '')
    return re.sub(r'<[^>]+>', '', text)


def main(pdf, spoken_text):
    frames = [Frame(MARGIN + i * (COLUMN + GUTTER), MARGIN + NOTES_HEIGHT, COLUMN,
                    HEIGHT - 2 * MARGIN - NOTES_HEIGHT, id='column%d' % i, leftPadding=0,
                    rightPadding=0, topPadding=0, bottomPadding=0) for i in range(2)]
    doc = BaseDocTemplate(pdf, pagesize=A4, title='Gardening by the Moon')
    doc.addPageTemplates([PageTemplate(id='columns', frames=frames, onPage=start_page,
                                       onPageEnd=end_page)])
    styles = {'heading': heading, 'spaced': spaced, 'indented': indented}
    story = []
    heard = []
    for kind, content in CONTENT:
        if kind in styles:
            story.append(Paragraph(content, styles[kind]))
            heard.append(spoken(content))
            heard += ['Note: ' + NOTES[label] for label in re.findall(r'label="(\d+)"', content)]
        elif kind == 'list':
            story.append(ListFlowable([ListItem(Paragraph(item, spaced)) for item in content],
                                      bulletType='bullet', start='\u2022',
                                      bulletFontName='Times-Roman'))
            heard += content
        elif kind == 'table':
            story.append(Table(content, colWidths=[70, 70, 50], hAlign='LEFT'))
            story.append(Spacer(1, 8))
            heard += [' '.join(row) for row in content]
    doc.build(story)
    with open(spoken_text, 'w') as out:
        out.write('\n'.join(heard) + '\n')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
