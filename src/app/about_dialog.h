// The About box: icon, version line and the maker's notice, one OK button.
#pragma once

#include <QDialog>

namespace kova::app {

class AboutDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace kova::app
