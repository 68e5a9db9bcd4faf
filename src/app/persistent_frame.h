// A main window that remembers where and how it was left: its normal
// rectangle, minimised and maximised state and its bars, in section
// "Window size" of the settings store.
#pragma once

#include <QMainWindow>
#include <QRect>
#include <optional>
#include <string>

namespace kova {
class SettingsStore;
}

namespace kova::app {

class CPersistentFrame : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr QRect kDefaultRect{10, 10, 790, 590};  // (10, 10)-(800, 600)

    explicit CPersistentFrame(SettingsStore& store, QWidget* parent = nullptr);

    // Shows the window. The first call puts it where it was left, whatever
    // state is asked for; later calls show it in the asked state.
    void ActivateFrame(Qt::WindowStates requested = Qt::WindowNoState);
    // Writes the placement and the bar state.
    void OnDestroy();

    // "%04d %04d %04d %04d" of left, top, right, bottom.
    static std::string FormatRect(const QRect& rect);
    // Fields at offsets 0, 5, 10 and 15; nothing when the text cannot hold
    // all four or the rectangle is empty.
    static std::optional<QRect> ParseRect(const std::string& text);

  protected:
    SettingsStore& Store() { return store_; }
    virtual void SaveBarState();
    virtual void LoadBarState();

  private:
    SettingsStore& store_;
    bool m_bFirstTime = true;
};

}  // namespace kova::app
