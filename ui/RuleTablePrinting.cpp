#include "RuleTablePrinting.h"

#include "RuleTable.h"
#include "ShownText.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <vector>

namespace kelvane {

namespace {

// The printed columns: every visible column with text (the picture column holds none).
std::vector<int> PrintedColumns(const RuleTable& table) {
    const int visible = table.kind() == RuleTableKind::Exceptions ? kExceptionPictureNumberColumn
                                                                  : table.columnCount();
    std::vector<int> columns;
    for (int column = 0; column < visible; ++column) {
        if (column != table.layout().pictureColumn) columns.push_back(column);
    }
    return columns;
}

}  // namespace

void PrintRuleTable(QPrinter& printer, const RuleTable& table, const QString& title,
                    const QDateTime& when) {
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    const QFontMetrics metrics(painter.font());
    const int line = metrics.lineSpacing();
    const std::vector<int> columns = PrintedColumns(table);
    int totalWidth = 0;
    for (int column : columns) totalWidth += std::max(1, table.columnWidth(column));
    const QLocale locale = QLocale::system();

    // The rows fill the page between two header lines and the footer line.
    const int top = page.top() + 2 * line;
    const int bottom = page.bottom() - 2 * line;
    int pageNumber = 1;
    int y = top;
    const auto decorate = [&] {
        const QRect header(page.left(), page.top(), page.width(), line);
        painter.drawText(header, Qt::AlignLeft, locale.toString(when.date(), QLocale::ShortFormat));
        painter.drawText(header, Qt::AlignHCenter, title);
        painter.drawText(header, Qt::AlignRight,
                         locale.toString(when.time(), QLocale::ShortFormat));
        painter.drawText(QRect(page.left(), page.bottom() - line, page.width(), line),
                         Qt::AlignRight, QStringLiteral("Page %1").arg(pageNumber));
    };
    decorate();
    for (int row = 0; row < table.rowCount(); ++row) {
        if (y + line > bottom) {
            printer.newPage();
            ++pageNumber;
            y = top;
            decorate();
        }
        int x = page.left();
        for (int column : columns) {
            const int width = page.width() * std::max(1, table.columnWidth(column)) / totalWidth;
            const QString text =
                metrics.elidedText(ShownText(table.cell(column, row)), Qt::ElideRight, width - 4);
            painter.drawText(QRect(x, y, width - 4, line), Qt::AlignLeft | Qt::AlignVCenter, text);
            x += width;
        }
        y += line;
    }
}

}  // namespace kelvane
