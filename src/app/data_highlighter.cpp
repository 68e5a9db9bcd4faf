#include "app/data_highlighter.h"

#include <QTextBlock>
#include <QTextLayout>

namespace kova::app {
namespace {

// Where the reader stands at the end of a line. A node name may be spelt
// like a statement, and the title is any one token, so the place in the
// statement decides what a token is.
enum State : int {
    kStart = 0,      // before the first token: TITLE may come
    kTitleText = 1,  // the token after TITLE
    kStatement = 2,  // a statement is due
    kFromName = 3,
    kToName = 4,
    kValues = 5,     // the numbers of an arc
    kAfterEnd = 6,
};

bool IsSeparator(QChar c) {
    const char16_t u = c.unicode();
    return u == u'\t' || u == u'\n' || u == u'\r' || u == u' ' || u == u'(' || u == u')' ||
           u == u',' || u == 0x2029;
}

// As the reader upper-cases: ASCII letters only.
bool Is(QStringView token, const char* word) {
    qsizetype i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i >= token.size()) {
            return false;
        }
        char16_t u = token[i].unicode();
        if (u >= u'a' && u <= u'z') {
            u = static_cast<char16_t>(u - u'a' + u'A');
        }
        if (u != static_cast<char16_t>(word[i])) {
            return false;
        }
    }
    return i == token.size();
}

// What the reader takes as a number, exponent forms included.
bool IsNumber(QStringView token) {
    bool digit = false;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const char16_t u = token[i].unicode();
        if (u >= u'0' && u <= u'9') {
            digit = true;
        } else if (u == u'e' || u == u'E') {
            if (i == 0) {
                return false;
            }
        } else if (u != u'.' && u != u'-' && u != u'+') {
            return false;
        }
    }
    return digit;
}

// One line: calls `mark(start, length, kind)` for every run of one kind
// and returns the state at its end.
template <typename Mark>
int ScanLine(const QString& text, int state, Mark mark) {
    using Kind = DataHighlighter::Kind;
    const qsizetype size = text.size();
    if (state == kAfterEnd) {
        mark(0, size, Kind::AfterEnd);
        return state;
    }
    qsizetype pos = 0;
    while (pos < size) {
        const QChar c = text.at(pos);
        if (c == QLatin1Char('!')) {
            mark(pos, size - pos, Kind::Comment);
            break;
        }
        if (IsSeparator(c)) {
            ++pos;
            continue;
        }
        const qsizetype start = pos;
        while (pos < size && !IsSeparator(text.at(pos)) && text.at(pos) != QLatin1Char('!')) {
            ++pos;
        }
        const QStringView token = QStringView(text).mid(start, pos - start);
        const qsizetype length = pos - start;
        switch (state) {
            case kStart:
                if (Is(token, "TITLE")) {
                    mark(start, length, Kind::Statement);
                    state = kTitleText;
                    continue;
                }
                state = kStatement;
                [[fallthrough]];
            case kStatement:
            case kValues:
                if (Is(token, "ARC")) {
                    mark(start, length, Kind::Statement);
                    state = kFromName;
                } else if (Is(token, "END")) {
                    mark(start, length, Kind::Statement);
                    if (pos < size) {
                        mark(pos, size - pos, Kind::AfterEnd);
                    }
                    return kAfterEnd;
                } else if (IsNumber(token)) {
                    mark(start, length, Kind::Number);
                }
                break;
            case kTitleText:
                mark(start, length, Kind::Title);
                state = kStatement;
                break;
            case kFromName:
                state = kToName;
                break;
            case kToName:
                state = kValues;
                break;
            default:
                break;
        }
    }
    return state;
}

}  // namespace

DataHighlighter::DataHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    statement_.setForeground(QColor(0x00, 0x00, 0xB0));
    statement_.setFontWeight(QFont::Bold);
    number_.setForeground(QColor(0x00, 0x70, 0x70));
    comment_.setForeground(QColor(0x00, 0x80, 0x00));
    afterEnd_.setForeground(QColor(0x90, 0x90, 0x90));
    title_.setForeground(QColor(0x80, 0x00, 0x80));
}

void DataHighlighter::highlightBlock(const QString& text) {
    const int previous = previousBlockState();
    // Neighbouring numbers share one run, so a line takes a few format calls.
    qsizetype runStart = -1;
    qsizetype runEnd = -1;
    const auto flush = [&] {
        if (runStart >= 0) {
            setFormat(static_cast<int>(runStart), static_cast<int>(runEnd - runStart), number_);
            runStart = -1;
        }
    };
    const int state = ScanLine(text, previous < 0 ? kStart : previous,
                               [&](qsizetype start, qsizetype length, Kind kind) {
                                   if (kind == Kind::Number) {
                                       if (runStart < 0) {
                                           runStart = start;
                                       }
                                       runEnd = start + length;
                                       return;
                                   }
                                   flush();
                                   const QTextCharFormat& format =
                                       kind == Kind::Statement ? statement_
                                       : kind == Kind::Comment ? comment_
                                       : kind == Kind::Title   ? title_
                                                               : afterEnd_;
                                   setFormat(static_cast<int>(start), static_cast<int>(length),
                                             format);
                               });
    flush();
    setCurrentBlockState(state);
}

DataHighlighter::Kind DataHighlighter::KindAt(const QTextBlock& block, int position) const {
    const int previous = block.previous().isValid() ? block.previous().userState() : kStart;
    Kind found = Kind::Plain;
    ScanLine(block.text(), previous < 0 ? kStart : previous,
             [&](qsizetype start, qsizetype length, Kind kind) {
                 if (position >= start && position < start + length) {
                     found = kind;
                 }
             });
    return found;
}

}  // namespace kova::app
