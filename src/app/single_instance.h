// One running window per user: a second start with a file hands the file to
// the running window and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace kova::app {

class SingleInstance final : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);

    // The user's own server, in the runtime folder.
    static QString DefaultServerName();

    // Hands `path` to a running instance; false when none answers.
    bool HandOver(const QString& path, int timeoutMs = 2000) const;
    // True when another instance answers on the name.
    bool OtherIsRunning() const;
    // Starts answering; a stale socket of a dead instance is removed first.
    bool Listen();

  signals:
    void FileRequested(const QString& path);

  private:
    void AcceptConnection();

    QString serverName_;
    QLocalServer server_;
};

}  // namespace kova::app
