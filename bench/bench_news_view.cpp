// GUI-thread cost of showing the worst pages the news panel accepts: each page fills the body bound and is
// laid out and painted in the panel's size, down to its end. Prints CPU milliseconds per page.

#include "app/NewsView.h"

#include "CpuTime.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cstdio>
#include <functional>
#include <vector>

namespace
{

// Repeats `unit` between `head` and `tail` until the page fills `size` bytes.
QByteArray page(const QByteArray &head, const QByteArray &unit, const QByteArray &tail, qint64 size)
{
    QByteArray body = head;
    while (body.size() + unit.size() + tail.size() <= size)
        body += unit;
    return body + tail;
}

// Opening tags as deep as they fit, then the matching closing tags.
QByteArray nested(const QByteArray &open, const QByteArray &close, qint64 size)
{
    const qint64 depth = size / (open.size() + close.size());
    return open.repeated(depth) + "x" + close.repeated(depth);
}

double showAndPaint(NewsView &view, const QByteArray &body)
{
    const double start = cpuSeconds();
    view.showPage(body, "text/html; charset=utf-8");
    QCoreApplication::processEvents();
    view.grab();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    view.grab();
    return (cpuSeconds() - start) * 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const qint64 size = argc > 1 ? QByteArray(argv[1]).toLongLong() : NewsView::MaximumBodyBytes;
    NewsView view;
    view.resize(990, 105);
    view.show();

    struct Page {
        const char *name;
        QByteArray body;
    };
    const std::vector<Page> pages = {
        {"one unbroken word", page("<p>", "x", "</p>", size)},
        {"words", page("<p>", "news ", "</p>", size)},
        {"nested divs", nested("<div>", "</div>", size)},
        {"nested lists", nested("<ul><li>", "</li></ul>", size)},
        {"nested tables", nested("<table><tr><td>", "</td></tr></table>", size)},
        {"nested inline", nested("<b><i>", "</i></b>", size)},
        {"table of rows", page("<table border=1>", "<tr><td>x</td></tr>", "</table>", size)},
        {"table of columns", page("<table border=1><tr>", "<td>x</td>", "</tr></table>", size)},
        {"huge images", page("<p>", "<img src=\"x.png\" width=\"30000\" height=\"30000\">", "</p>", size)},
        {"square table",
         page("<table border=1>", "<tr>" + QByteArray("<td>x</td>").repeated(40) + "</tr>", "</table>", size)},
    };
    std::printf("news page of %lld bytes, panel 990x105: GUI-thread CPU ms to show and paint to the end\n",
                static_cast<long long>(size));
    double worst = 0;
    const QByteArray only = qgetenv("ONLY");
    for (const Page &p : pages) {
        if (!only.isEmpty() && !QByteArray(p.name).contains(only))
            continue;
        const double ms = showAndPaint(view, p.body);
        worst = std::max(worst, ms);
        std::printf("  %-20s %8.1f ms\n", p.name, ms);
        std::fflush(stdout);
    }
    std::printf("  worst                %8.1f ms\n", worst);
    return 0;
}
