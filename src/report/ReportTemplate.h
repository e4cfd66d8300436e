#pragma once
// Report templates: the model of a banded report and its reader.
//
// ─── Template file format (.frf, UTF-8 XML) ────────────────────────────────────────────────
// Lengths are millimetres, font sizes points, booleans true/false (yes/no, 1/0 also read).
// Unknown elements or attributes are errors, reported with line and column. A file is at most
// 1 MB, an attribute value or a text at most 4096 characters.
//
// <report name="工资条" font="宋体" size="9">        defaults for every text object
//   <page size="A4" orientation="portrait" margins="10"/>
//       size: A3 A4 A5 B5 Letter Legal, or width="…" height="…"; margins: one value or
//       "left,top,right,bottom". orientation: portrait | landscape.
//   <band type="…" height="…"> … </band>           any number, in printing order
// </report>
//
// Band types: title (once, at the start of the report), pageHeader (top of every page;
// firstPage="false" leaves it off page 1), data (once per entry of its row source,
// source="rows" unless named), pageFooter (bottom of every page).
// Band attributes: height (required), stretch (grow to fit wrapped texts; objects that
// reached the old bottom grow with it), keepTogether (start a new page rather than split the
// band; a band taller than a page is still split), spaceAfter (gap below each band),
// cutLine="none|solid|dash|dot" (a line across the page in the middle of spaceAfter, between
// two entries of a data band).
//
// A band holds objects and at most one column band:
//   <columns source="columns" x="0" y="0" height="12" gap="1" width="20" pixel="0.2646">
//       objects
//   </columns>
// The column band repeats its objects once per entry of its column source, side by side,
// each entry in a slice as wide as the program gives for that column (in pixels, times
// `pixel` millimetres) or `width` when it gives none. When the next slice does not fit the
// page width, the column band continues on a further line `gap` below: nothing is cut off.
// `height` is the height of one line; objects of the band below the column band move down by
// the extra lines, and a band that must be split across pages is split between lines.
//
// Objects (x and y relative to their band, or to their slice in a column band, where width may
// be left out to fill the slice):
//   <text x y width height font size bold italic align="left|center|right|auto"
//         valign="top|middle|bottom" wrap format frame="all|none|ltrb…" frameWidth="0.2"
//         frameStyle="solid|dash|dot" color="#000000" background="#eeeeee">text</text>
//   <line x y width height lineWidth="0.2" style="solid|dash|dot"/>   from (x,y) to (x+width,y+height)
//
// Text holds [name] placeholders, answered when the report is laid out: page and pages
// (page number and page count), row and column (1-based entry numbers of the current row and
// column entry, nothing outside them) by the engine, every other name by the program for the
// current row and column entry; a name the program does not know stops the report with a
// message giving its line. "[[" prints "[". Numbers are printed by `format`: 0 a digit, # an
// optional digit, "," groups thousands, "." the decimal point, other characters as they are;
// up to three sections "positive;negative;zero" ("0.00;-0.00;" prints zero as nothing).
// align="auto" puts numbers right and other values left. Dates take a Qt date format
// ("yyyy-MM-dd"). Single-line texts that do not fit end in "…"; wrap="true" breaks lines.
// ───────────────────────────────────────────────────────────────────────────────────────────
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

namespace jjgz::report {

struct Segment {
    bool isName = false; // a [name] placeholder, else literal text
    QString text;
};

struct TextStyle {
    QStringList families;
    double pointSize = 9;
    bool bold = false;
    bool italic = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    bool autoAlign = false; // numbers right, everything else left
    bool wrap = false;
    QString format;
    QColor color = Qt::black;
    QColor background; // invalid: none
};

struct Frame {
    bool left = false, top = false, right = false, bottom = false;
    double width = 0.2;
    Qt::PenStyle style = Qt::SolidLine;
    bool any() const { return left || top || right || bottom; }
};

struct ReportObject {
    enum Kind { Text, Line } kind = Text;
    double x = 0, y = 0, width = 0, height = 0;
    bool fillsSlice = false; // width left out inside a column band
    QList<Segment> segments;
    TextStyle style;
    Frame frame;  // for a line: width and style of the line
    int line = 0; // position in the template, for messages
};

struct ColumnBand {
    QString source = QStringLiteral("columns");
    double x = 0, y = 0, height = 0, gap = 1, defaultWidth = 20, pixelMm = 25.4 / 96.0;
    QList<ReportObject> objects;
    int line = 0;
};

struct Band {
    enum Kind { Title, PageHeader, Data, PageFooter } kind = Data;
    QString source; // data bands: the row source
    double height = 0;
    bool stretch = false;
    bool keepTogether = false;
    bool firstPage = true;
    double spaceAfter = 0;
    Qt::PenStyle cutLine = Qt::NoPen;
    QList<ReportObject> objects;
    std::optional<ColumnBand> columns;
    int line = 0;
};

class ReportTemplate {
public:
    QString name;
    QString origin;           // file name or "程序内置格式", for messages
    QSizeF paperMm{210, 297}; // portrait
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marginsMm{10, 10, 10, 10};
    QList<Band> bands;

    // The page as printed (landscape swaps the sides).
    QSizeF pageSizeMm() const;

    // Reads a template; on failure returns nothing and sets `error` to a Chinese message
    // naming `origin`, the line and the column.
    static std::optional<ReportTemplate> parse(const QByteArray &xml, const QString &origin, QString *error);
    static std::optional<ReportTemplate> loadFile(const QString &path, QString *error);
    // The template at `path`; a missing file gives `fallback` without a word, an unreadable or
    // malformed one gives `fallback` and sets `message` (otherwise `message` is cleared).
    static ReportTemplate loadOr(const QString &path, const ReportTemplate &fallback, QString *message);

    // The pay-slip layout the program carries, the same as the shipped rep/gzbar.frf.
    static ReportTemplate builtInPaySlip();
    static QByteArray builtInPaySlipText();
};

// rep/gzbar.frf beside the program.
QString paySlipTemplatePath();

} // namespace jjgz::report
