#include "ScreenshotCorpus.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace mebo::corpus {

namespace {

using Kind = DetectedPII::Kind;

struct Segment {
    Segment(QString t, std::optional<Kind> k = std::nullopt) : text(std::move(t)), kind(k) {}
    QString text;
    std::optional<Kind> kind;
};

struct Theme {
    QColor window, sidebar, header, text, secondary, accent, field;
};

Theme themeFor(bool dark) {
    if (dark) {
        return {QColor(0x1f, 0x1f, 0x23), QColor(0x2a, 0x2a, 0x30), QColor(0x33, 0x36, 0x3d),
                QColor(0xe8, 0xe8, 0xea), QColor(0xa0, 0xa3, 0xab), QColor(0x5b, 0x9d, 0xf9),
                QColor(0x2b, 0x2d, 0x33)};
    }
    return {QColor(0xff, 0xff, 0xff), QColor(0xf3, 0xf4, 0xf6), QColor(0x24, 0x29, 0x2f),
            QColor(0x1d, 0x1d, 0x1f), QColor(0x6e, 0x6e, 0x73), QColor(0x0a, 0x64, 0xd6),
            QColor(0xf7, 0xf7, 0xf9)};
}

// Draws lines of text and remembers where each piece went.
class Writer {
public:
    Writer(QImage& image, const PageStyle& style, Page& page) : painter_(&image), style_(style), page_(page) {
        font_.setFamily(style.family);
        font_.setPixelSize(style.pixelSize);
        font_.setHintingPreference(QFont::PreferFullHinting);
        painter_.setRenderHint(QPainter::TextAntialiasing);
    }

    QPainter& painter() { return painter_; }
    int lineHeight() const { return QFontMetrics(font_).height(); }

    // One line at (x, top); returns its width.
    int line(int x, int top, const QList<Segment>& segments, const QColor& colour, bool bold = false) {
        QFont font = font_;
        font.setBold(bold);
        painter_.setFont(font);
        painter_.setPen(colour);
        const QFontMetrics fm(font);
        QString whole;
        for (const Segment& s : segments) {
            whole += s.text;
        }
        painter_.drawText(QPoint(x, top + fm.ascent()), whole);
        int offset = 0;
        for (const Segment& s : segments) {
            const int width = fm.horizontalAdvance(s.text);
            if (s.kind) {
                const int lead = fm.horizontalAdvance(whole.left(offset));
                page_.items.append({*s.kind, s.text, QRect(x + lead, top, width, fm.height())});
            }
            offset += int(s.text.size());
        }
        page_.lines.append(whole);
        return fm.horizontalAdvance(whole);
    }

private:
    QPainter painter_;
    QFont font_;
    PageStyle style_;
    Page& page_;
};

const QList<QString> kFirst{"Alice",    "Robert", "Maria", "James",   "Linda",  "Michael", "Sarah", "David",
                            "Jennifer", "Thomas", "Emily", "Daniel",  "Laura",  "Steven",  "Karen", "Brian",
                            "Rachel",   "Kevin",  "Nancy", "Anthony", "Olivia", "Peter",   "Helen", "George"};
const QList<QString> kLast{"Johnson",  "Miller", "Garcia",  "Wilson", "Anderson", "Thompson", "Martinez",
                           "Robinson", "Clark",  "Lewis",   "Walker", "Hughes",   "Bennett",  "Foster",
                           "Patel",    "Nguyen", "Schmidt", "Morgan", "Turner",   "Parker",   "Collins"};
// Names from elsewhere than the census lists, for a fair share of the people on screen.
const QList<QString> kWorldFirst{"Priya", "Wei",    "Ahmed",   "Yuki",   "Olga",  "Mateo", "Aisha",  "Lars",
                                 "Chen",  "Fatima", "Hiroshi", "Ingrid", "Rahul", "Sofia", "Dmitri", "Amara"};
const QList<QString> kWorldLast{"Sharma", "Zhang",     "Hassan",   "Tanaka",   "Petrova", "Rossi",
                                "Okafor", "Larsen",    "Kowalski", "Nakamura", "Silva",   "Novak",
                                "Haddad", "Lindqvist", "Mehta",    "Wong"};
const QList<QString> kDomains{"example.com",   "acme.org",    "mail.example.net",
                              "contoso.co.uk", "fabrikam.io", "northwind.de"};

// A page of the theme's window colour, named for the failure messages.
Page blankPage(const char* kind, const PageStyle& style, QSize size) {
    Page page;
    page.description = QStringLiteral("%1 %2 %3px%4")
                           .arg(QLatin1String(kind), style.family)
                           .arg(style.pixelSize)
                           .arg(style.dark ? " dark" : "");
    page.image = QImage(size, QImage::Format_RGB32);
    page.image.fill(themeFor(style.dark).window);
    return page;
}

} // namespace

QString ScreenshotCorpus::digits(int n) {
    QString out;
    for (int i = 0; i < n; ++i) {
        out += QChar(u'0' + pick(10));
    }
    return out;
}

bool ScreenshotCorpus::luhn(const QString& digits) {
    int total = 0;
    for (int i = 0; i < digits.size(); ++i) {
        int d = digits.at(digits.size() - 1 - i).unicode() - u'0';
        if (i % 2 == 1) {
            d = d * 2 > 9 ? d * 2 - 9 : d * 2;
        }
        total += d;
    }
    return total % 10 == 0;
}

QChar ScreenshotCorpus::idCheckCharacter(const QString& first17) {
    static constexpr std::array<int, 17> kWeights{7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        sum += (first17.at(i).unicode() - u'0') * kWeights[size_t(i)];
    }
    return QLatin1Char("10X98765432"[sum % 11]);
}

QString ScreenshotCorpus::email() {
    const QString first = any(kFirst).toLower();
    const QString last = any(kLast).toLower();
    const std::array<QString, 4> locals{first + QLatin1Char('.') + last, first.left(1) + last,
                                        first + QLatin1Char('_') + digits(2), last + digits(3)};
    return locals[size_t(pick(4))] + QLatin1Char('@') + any(kDomains);
}

QString ScreenshotCorpus::phone() {
    // A number whose digits happen to make a valid card number is a card to the detector, which
    // looks for cards first: those are drawn again.
    QString number;
    do {
        number = anyPhone();
        const QString digits = QString(number).remove(QRegularExpression(QStringLiteral("\\D")));
        if (digits.size() < 13 || !luhn(digits)) {
            return number;
        }
    } while (true);
}

QString ScreenshotCorpus::anyPhone() {
    switch (pick(7)) {
    case 0:
        return QStringLiteral("(%1) 555-%2").arg(200 + pick(700)).arg(digits(4));
    case 1:
        return QStringLiteral("+1 %1-555-%2").arg(200 + pick(700)).arg(digits(4));
    case 2:
        return QStringLiteral("%1.555.%2").arg(200 + pick(700)).arg(digits(4));
    case 3:
        return QStringLiteral("+44 20 7946 %1").arg(digits(4)); // London
    case 4:
        return QStringLiteral("+86 138 %1 %2").arg(digits(4), digits(4)); // mainland China mobile
    case 5:
        return QStringLiteral("+81 3-%1-%2").arg(digits(4), digits(4)); // Tokyo
    default:
        return QStringLiteral("+61 2 %1 %2").arg(digits(4), digits(4)); // Sydney
    }
}

QString ScreenshotCorpus::validCard() {
    const std::array<QString, 3> prefixes{QStringLiteral("4"), QStringLiteral("51"), QStringLiteral("37")};
    const int which = pick(3);
    const int length = which == 2 ? 15 : 16;
    QString number;
    do {
        number = prefixes[size_t(which)] + digits(length - int(prefixes[size_t(which)].size()));
    } while (!luhn(number));
    if (length == 15) { // American Express: 4-6-5
        return number.left(4) + QLatin1Char(' ') + number.mid(4, 6) + QLatin1Char(' ') + number.mid(10);
    }
    const QChar sep = pick(4) == 0 ? QLatin1Char('-') : QLatin1Char(' ');
    return number.left(4) + sep + number.mid(4, 4) + sep + number.mid(8, 4) + sep + number.mid(12);
}

QString ScreenshotCorpus::invalidCard() {
    // Unspaced: in groups of four the phone pattern, which runs first, would take three groups.
    QString number;
    do {
        number = QStringLiteral("4") + digits(15);
    } while (luhn(number));
    return number;
}

QString ScreenshotCorpus::ssn() {
    return QStringLiteral("%1-%2-%3").arg(100 + pick(665)).arg(10 + pick(89)).arg(1000 + pick(8999));
}

QString ScreenshotCorpus::validIdCard() {
    const QString first17 = QStringLiteral("1101%1%2%3").arg(digits(2)).arg(1950 + pick(60)).arg(digits(7));
    return first17 + idCheckCharacter(first17);
}

QString ScreenshotCorpus::invalidIdCard() {
    QString id;
    do {
        const QString first17 =
            QStringLiteral("3205%1%2%3").arg(digits(2)).arg(1950 + pick(60)).arg(digits(7));
        QChar wrong;
        do {
            wrong = QChar(u'0' + pick(10));
        } while (wrong == idCheckCharacter(first17));
        id = first17 + wrong;
    } while (luhn(id));
    return id;
}

QString ScreenshotCorpus::bankAccount() {
    // 15 to 19 digits in one run (bank card style): shorter runs and grouped digits read as phone
    // numbers, which are looked for first.
    QString number;
    do {
        number = QStringLiteral("62") + digits(13 + pick(5));
    } while (luhn(number) || (number.size() == 18 && idCheckCharacter(number.left(17)) == number.at(17)));
    return number;
}

QString ScreenshotCorpus::fullName() {
    // One in three from elsewhere, first name, surname or both.
    switch (pick(6)) {
    case 0:
        return any(kWorldFirst) + QLatin1Char(' ') + any(kLast);
    case 1:
        return any(kFirst) + QLatin1Char(' ') + any(kWorldLast);
    default:
        return any(kFirst) + QLatin1Char(' ') + any(kLast);
    }
}

Page ScreenshotCorpus::applicationForm(const PageStyle& style, bool withData) {
    Page page = blankPage("form", style, QSize(1280, 800));
    const Theme t = themeFor(style.dark);
    Writer w(page.image, style, page);
    QPainter& p = w.painter();
    const int lh = w.lineHeight();

    // Title bar and sidebar.
    p.fillRect(0, 0, 1280, 40, t.sidebar);
    w.line(16, (40 - lh) / 2, {{QStringLiteral("Customers — Account details")}}, t.text, true);
    p.fillRect(0, 40, 220, 760, t.sidebar);
    const QStringList menu{QStringLiteral("Dashboard"), QStringLiteral("Customers"),
                           QStringLiteral("Invoices"),  QStringLiteral("Payments"),
                           QStringLiteral("Reports"),   QStringLiteral("Settings")};
    for (int i = 0; i < menu.size(); ++i) {
        w.line(24, 64 + i * (lh + 16), {{menu[i]}}, i == 1 ? t.accent : t.secondary);
    }

    // The form: label column and value column.
    struct Row {
        QString label;
        Segment value;
    };
    QList<Row> rows;
    if (withData) {
        const QString card = pick(3) == 0 ? invalidCard() : validCard();
        const bool cardValid = luhn(QString(card).remove(QLatin1Char(' ')).remove(QLatin1Char('-')));
        const bool idValid = pick(2) == 0;
        rows = {
            {QStringLiteral("Full name"), {fullName(), Kind::name}},
            {QStringLiteral("Email"), {email(), Kind::email}},
            {QStringLiteral("Phone"), {phone(), Kind::phone}},
            {QStringLiteral("Card number"), {card, cardValid ? Kind::creditCard : Kind::bankAccount}},
            {QStringLiteral("Social security no."), {ssn(), Kind::ssn}},
            {QStringLiteral("National ID"),
             {idValid ? validIdCard() : invalidIdCard(), idValid ? Kind::idCard : Kind::bankAccount}},
            {QStringLiteral("Bank account"), {bankAccount(), Kind::bankAccount}},
            {QStringLiteral("Account manager"), {fullName(), Kind::name}},
        };
    } else {
        rows = {
            {QStringLiteral("Company"), {QStringLiteral("Northwind Traders Ltd.")}},
            {QStringLiteral("Plan"), {QStringLiteral("Business (annual)")}},
            {QStringLiteral("Created"),
             {QStringLiteral("2024-03-%1 at 10:%2").arg(10 + pick(18)).arg(10 + pick(49))}},
            {QStringLiteral("Balance"),
             {QStringLiteral("$%1,%2.%3").arg(1 + pick(9)).arg(100 + pick(899)).arg(10 + pick(89))}},
            {QStringLiteral("Invoices"),
             {QStringLiteral("%1 paid, %2 open").arg(10 + pick(80)).arg(pick(5))}},
            {QStringLiteral("Version"),
             {QStringLiteral("v%1.%2.%3").arg(1 + pick(4)).arg(pick(20)).arg(pick(9))}},
            {QStringLiteral("Region"), {QStringLiteral("Europe (Frankfurt)")}},
            {QStringLiteral("Status"), {QStringLiteral("Active — renews in %1 days").arg(5 + pick(300))}},
        };
    }
    int top = 72;
    w.line(260, top,
           {{withData ? QStringLiteral("Contact information") : QStringLiteral("Account overview")}}, t.text,
           true);
    top += lh + 24;
    for (const Row& row : rows) {
        p.fillRect(440, top - 6, 560, lh + 12, t.field);
        w.line(260, top, {{row.label}}, t.secondary);
        w.line(452, top, {row.value}, t.text);
        top += lh + 22;
    }
    p.fillRect(452, top + 10, 120, lh + 14, t.accent);
    w.line(470, top + 17, {{QStringLiteral("Save changes")}}, QColor(Qt::white));
    return page;
}

Page ScreenshotCorpus::webPage(const PageStyle& style, bool withData) {
    Page page = blankPage("web", style, QSize(1366, 768));
    const Theme t = themeFor(style.dark);
    Writer w(page.image, style, page);
    QPainter& p = w.painter();
    const int lh = w.lineHeight();

    p.fillRect(0, 0, 1366, 56, t.header);
    w.line(40, (56 - lh) / 2, {{QStringLiteral("Help Center")}}, QColor(Qt::white), true);
    w.line(900, (56 - lh) / 2, {{QStringLiteral("Products    Pricing    Support    Sign in")}},
           QColor(0xdd, 0xdd, 0xdd));

    QList<QList<Segment>> paragraphs;
    if (withData) {
        const QString name = fullName();
        const QString card = validCard();
        paragraphs = {
            {{QStringLiteral("Hello ")}, {name, Kind::name}, {QStringLiteral(", thank you for your order.")}},
            {{QStringLiteral("We will send the receipt to ")},
             {email(), Kind::email},
             {QStringLiteral(" within the next hour.")}},
            {{QStringLiteral("Questions? Call our team on ")},
             {phone(), Kind::phone},
             {QStringLiteral(" (Monday to Friday).")}},
            {{QStringLiteral("Payment was taken from card ")},
             {card, Kind::creditCard},
             {QStringLiteral(" on 12 May.")}},
            {{QStringLiteral("Refunds go to account ")},
             {bankAccount(), Kind::bankAccount},
             {QStringLiteral(" at your bank.")}},
            {{QStringLiteral("Tax reference (SSN): ")}, {ssn(), Kind::ssn}},
            {{QStringLiteral("Resident ID on file: ")}, {validIdCard(), Kind::idCard}},
            {{QStringLiteral("Your case is handled by ")}, {fullName(), Kind::name}, {QStringLiteral(".")}},
        };
    } else {
        paragraphs = {
            {{QStringLiteral("Getting started with shared workspaces")}},
            {{QStringLiteral("Invite your team from the Members page and choose a role for each person.")}},
            {{QStringLiteral("Changes sync in about %1 seconds; large files may take longer.")
                  .arg(5 + pick(25))}},
            {{QStringLiteral("Storage: %1.%2 GB of 100 GB used (%3%).")
                  .arg(10 + pick(80))
                  .arg(pick(9))
                  .arg(10 + pick(80))}},
            {{QStringLiteral("Last updated on March %1, 2025 at %2:%3 PM.")
                  .arg(1 + pick(28))
                  .arg(1 + pick(11))
                  .arg(10 + pick(49))}},
            {{QStringLiteral("Was this article helpful? Yes / No")}},
        };
    }
    int top = 104;
    w.line(240, top, {{withData ? QStringLiteral("Order confirmation") : QStringLiteral("Workspaces")}},
           t.text, true);
    top += lh * 2 + 8;
    for (const QList<Segment>& para : paragraphs) {
        w.line(240, top, para, t.text);
        top += lh + 14;
    }
    return page;
}

Page ScreenshotCorpus::interfaceText(const PageStyle& style, int lineCount) {
    static const QStringList kPhrases{QStringLiteral("Save changes before closing?"),
                                      QStringLiteral("Download complete: 3 files (24.6 MB)"),
                                      QStringLiteral("Show hidden files"),
                                      QStringLiteral("Automatically check for updates"),
                                      QStringLiteral("Keyboard shortcuts"),
                                      QStringLiteral("Open recent project"),
                                      QStringLiteral("Export as PNG, JPEG or WebP"),
                                      QStringLiteral("Sync paused until Wednesday, 9:30 AM"),
                                      QStringLiteral("Notifications are turned off for this folder."),
                                      QStringLiteral("Sort by date modified"),
                                      QStringLiteral("Clear browsing data"),
                                      QStringLiteral("Connected to Office Wi-Fi (5 GHz)"),
                                      QStringLiteral("Battery: 82% remaining, about 4 hours"),
                                      QStringLiteral("Remember my choice"),
                                      QStringLiteral("Invite people to collaborate"),
                                      QStringLiteral("Compress images larger than 2048 px"),
                                      QStringLiteral("Language and region"),
                                      QStringLiteral("The file could not be opened."),
                                      QStringLiteral("Move to Trash"),
                                      QStringLiteral("Check spelling while typing"),
                                      QStringLiteral("Last backup: yesterday at 11:42 PM"),
                                      QStringLiteral("Use dark appearance"),
                                      QStringLiteral("Print selected pages only"),
                                      QStringLiteral("Version 3.8.1 (build 4417)")};
    const Theme t = themeFor(style.dark);
    QFont font(style.family);
    font.setPixelSize(style.pixelSize);
    const int lh = QFontMetrics(font).height();
    Page page = blankPage("text", style, QSize(900, 40 + lineCount * (lh + 12)));
    Writer w(page.image, style, page);
    for (int i = 0; i < lineCount; ++i) {
        w.line(32, 24 + i * (lh + 12), {{kPhrases.at(pick(int(kPhrases.size())))}},
               i % 5 == 0 ? t.secondary : t.text);
    }
    return page;
}

Page ScreenshotCorpus::mixedText(const PageStyle& style, int lineCount) {
    static const QStringList kChinese{
        QStringLiteral("关闭前保存更改？"),      QStringLiteral("下载完成：3 个文件（24.6 MB）"),
        QStringLiteral("显示隐藏的文件"),        QStringLiteral("自动检查更新"),
        QStringLiteral("已连接到 Office Wi-Fi"), QStringLiteral("按修改日期排序"),
        QStringLiteral("檔案無法開啟。"),        QStringLiteral("移到垃圾桶"),
        QStringLiteral("使用深色外觀"),          QStringLiteral("上次備份：昨天 下午 11:42"),
        QStringLiteral("邀請其他人共同編輯"),    QStringLiteral("鍵盤快速鍵")};
    Page page = interfaceText(style, lineCount);
    page.description = QStringLiteral("mixed %1 %2px").arg(style.family).arg(style.pixelSize);
    page.image.fill(themeFor(style.dark).window);
    const QStringList english = page.lines;
    page.lines.clear();
    PageStyle cjk = style;
    cjk.family = QStringLiteral("WenQuanYi Micro Hei");
    QFont font(style.family);
    font.setPixelSize(style.pixelSize);
    const int lh = QFontMetrics(font).height();
    for (int i = 0; i < lineCount; ++i) {
        const bool chinese = i % 2 == 1;
        Writer w(page.image, chinese ? cjk : style, page);
        w.line(32, 24 + i * (lh + 12), {{chinese ? kChinese.at(pick(int(kChinese.size()))) : english.at(i)}},
               themeFor(style.dark).text);
    }
    return page;
}

Page ScreenshotCorpus::textScreen(const PageStyle& style) {
    Page page = blankPage("screen", style, QSize(1920, 1080));
    const Theme t = themeFor(style.dark);
    Writer w(page.image, style, page);
    const int lh = w.lineHeight();
    for (int column = 0; column < 3; ++column) {
        const Page text = interfaceText(style, (1080 - 40) / (lh + 10));
        for (int i = 0; i < text.lines.size(); ++i) {
            QList<Segment> line{{text.lines.at(i)}};
            if (i % 9 == 4) {
                switch ((i / 9 + column) % 4) {
                case 0:
                    line = {{QStringLiteral("Contact: ")}, {email(), Kind::email}};
                    break;
                case 1:
                    line = {{QStringLiteral("Phone ")}, {phone(), Kind::phone}};
                    break;
                case 2:
                    line = {{QStringLiteral("Owner: ")}, {fullName(), Kind::name}};
                    break;
                default:
                    line = {{QStringLiteral("Card ")}, {validCard(), Kind::creditCard}};
                }
            }
            w.line(40 + column * 630, 24 + i * (lh + 10), line, t.text);
        }
    }
    return page;
}

double characterAccuracy(const QString& truth, const QString& recognised) {
    auto simplified = [](const QString& s) { return s.simplified(); };
    const QString a = simplified(truth);
    const QString b = simplified(recognised);
    if (a.isEmpty()) {
        return b.isEmpty() ? 1.0 : 0.0;
    }
    std::vector<int> prev(size_t(b.size()) + 1), cur(size_t(b.size()) + 1);
    for (int j = 0; j <= b.size(); ++j) {
        prev[size_t(j)] = j;
    }
    for (int i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int substitute = prev[size_t(j - 1)] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            cur[size_t(j)] = std::min({prev[size_t(j)] + 1, cur[size_t(j - 1)] + 1, substitute});
        }
        std::swap(prev, cur);
    }
    return std::max(0.0, 1.0 - double(prev[size_t(b.size())]) / double(a.size()));
}

} // namespace mebo::corpus
