// kestrix-render-guide IN.md OUT.pdf: lays a Markdown guide out as an A4 PDF at build time, with Qt's
// own Markdown reader and PDF writer, so the build needs no document tool. It needs fonts, not a
// display: without QT_QPA_PLATFORM it runs offscreen.
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qreal bodyPointSize = 10;
constexpr qreal codePointSize = 8.5;
constexpr int resolution = 300; // dots per inch of the layout; the PDF itself is vector

const QColor headingColor(0x1f, 0x3a, 0x4d);
const QColor codeBackground(0xf2, 0xf4, 0xf6);
const QColor ruleColor(0xc8, 0xcd, 0xd2);
const QColor footerColor(0x70, 0x78, 0x80);

QFont bodyFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(bodyPointSize);
    return font;
}

QStringList monospaceFamilies()
{
    return {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"), QStringLiteral("Noto Mono"),
            QStringLiteral("Monospace")};
}

bool isCode(const QTextBlock &block)
{
    const QTextBlockFormat format = block.blockFormat();
    return format.hasProperty(QTextFormat::BlockCodeFence) || format.hasProperty(QTextFormat::BlockCodeLanguage) ||
           format.nonBreakableLines();
}

// Every length here is in layout pixels; `pt` is one point of them.
void styleBlocks(QTextDocument &document, qreal pt)
{
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        cursor.setPosition(block.position());
        QTextBlockFormat format = block.blockFormat();
        QTextCharFormat characters;
        const int level = format.headingLevel();
        if (level > 0) {
            static constexpr qreal sizes[] = {20, 14, 11.5, 10.5, 10, 10};
            characters.setFontPointSize(sizes[std::min(level, 6) - 1]);
            characters.setFontWeight(QFont::Bold);
            characters.setForeground(headingColor);
            format.setTopMargin((level == 1 ? 0 : level == 2 ? 16 : 10) * pt);
            format.setBottomMargin((level == 1 ? 10 : 5) * pt);
        } else if (isCode(block)) {
            characters.setFontFamilies(monospaceFamilies());
            characters.setFontFixedPitch(true);
            characters.setFontPointSize(codePointSize);
            format.setBackground(codeBackground);
            // A long command wraps rather than running off the page.
            format.setNonBreakableLines(false);
            format.setLeftMargin(6 * pt);
            format.setRightMargin(6 * pt);
            // Lines of one code block touch, so their backgrounds read as one box.
            const bool first = !block.previous().isValid() || !isCode(block.previous());
            const bool last = !block.next().isValid() || !isCode(block.next());
            format.setTopMargin(first ? 4 * pt : 0);
            format.setBottomMargin(last ? 8 * pt : 0);
        } else {
            // Table cells have padding of their own; list items sit closer than paragraphs.
            const bool inTable = qobject_cast<QTextTable *>(cursor.currentFrame()) != nullptr;
            format.setBottomMargin(inTable ? 0 : block.textList() ? 3 * pt : 6 * pt);
            format.setLineHeight(118, QTextBlockFormat::ProportionalHeight);
        }
        cursor.setBlockFormat(format);
        if (characters.propertyCount() > 0) {
            cursor.select(QTextCursor::BlockUnderCursor);
            cursor.mergeCharFormat(characters);
            cursor.clearSelection();
        }
        // Inline code within running text.
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            if (level == 0 && !isCode(block) && piece.charFormat().fontFixedPitch()) {
                QTextCharFormat code;
                code.setFontFamilies(monospaceFamilies());
                code.setFontPointSize(bodyPointSize * 0.92);
                code.setBackground(codeBackground);
                cursor.setPosition(piece.position());
                cursor.setPosition(piece.position() + piece.length(), QTextCursor::KeepAnchor);
                cursor.mergeCharFormat(code);
                cursor.clearSelection();
            }
        }
    }
}

void styleTables(QTextFrame *frame, qreal pt)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            QTextTableFormat format = table->format();
            format.setBorder(0.6 * pt);
            format.setBorderBrush(ruleColor);
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setBorderCollapse(true);
            format.setCellPadding(2.5 * pt);
            format.setCellSpacing(0);
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            format.setTopMargin(4 * pt);
            format.setBottomMargin(8 * pt);
            table->setFormat(format);
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(0, column);
                QTextCharFormat header = cell.format();
                header.setBackground(codeBackground);
                header.setFontWeight(QFont::Bold);
                cell.setFormat(header);
            }
        }
        styleTables(child, pt);
    }
}

QString firstHeading(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1) {
            return block.text();
        }
    }
    return {};
}

int render(const QString &inPath, const QString &outPath)
{
    QFile in(inPath);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kestrix-render-guide: cannot read %s\n", qUtf8Printable(inPath));
        return 1;
    }
    const QString markdown = QString::fromUtf8(in.readAll());

    QPdfWriter writer(outPath);
    writer.setResolution(resolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(22, 20, 22, 18),
                                     QPageLayout::Millimeter));
    writer.setCreator(QStringLiteral("Kestrix"));

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDefaultFont(bodyFont());
    document.setDocumentMargin(0);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    const qreal pt = resolution / 72.0;
    styleBlocks(document, pt);
    styleTables(document.rootFrame(), pt);
    const QString title = firstHeading(document);
    writer.setTitle(title);

    // The page number sits in a strip below the text.
    const QRectF paintArea = writer.pageLayout().paintRectPixels(resolution);
    const qreal footerHeight = 16 * pt;
    const QSizeF body(paintArea.width(), paintArea.height() - footerHeight);
    document.setPageSize(body);

    QPainter painter;
    if (!painter.begin(&writer)) {
        std::fprintf(stderr, "kestrix-render-guide: cannot write %s\n", qUtf8Printable(outPath));
        return 1;
    }
    QFont footerFont = bodyFont();
    footerFont.setPointSizeF(8);
    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        painter.save();
        const QRectF shown(0, page * body.height(), body.width(), body.height());
        painter.translate(0, -shown.top());
        painter.setClipRect(shown);
        document.drawContents(&painter, shown);
        painter.restore();

        painter.setPen(QPen(ruleColor, 0.6 * pt));
        painter.drawLine(QPointF(0, body.height() + 4 * pt), QPointF(body.width(), body.height() + 4 * pt));
        painter.setPen(footerColor);
        painter.setFont(footerFont);
        const QRectF footer(0, body.height() + 6 * pt, body.width(), footerHeight - 6 * pt);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kestrix — ") + title);
        painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 / %2").arg(page + 1).arg(pages));
    }
    return painter.end() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("Usage: kestrix-render-guide IN.md OUT.pdf\n", stderr);
        return 2;
    }
    // A build machine has no display; the build sets this too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    return render(arguments.at(1), arguments.at(2));
}
