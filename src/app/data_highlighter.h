// Colours of the data language in the editor: statements, numbers, comments
// and the text after END, which the reader never looks at.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace kova::app {

class DataHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    explicit DataHighlighter(QTextDocument* document);

    // What the token at `position` of a line is, as its colour shows.
    enum class Kind { Plain, Statement, Number, Comment, AfterEnd, Title };
    Kind KindAt(const QTextBlock& block, int position) const;

  protected:
    void highlightBlock(const QString& text) override;

  private:
    QTextCharFormat statement_;
    QTextCharFormat number_;
    QTextCharFormat comment_;
    QTextCharFormat afterEnd_;
    QTextCharFormat title_;
};

}  // namespace kova::app
