#pragma once
// One Belvanto per user: the first start holds a lock file and listens on a
// local socket; a later start finds the lock, asks the first one to come to
// the front and ends. A lock left by a crashed start is recognised by its
// process id and taken over.
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace belvanto {

inline const QString kInstanceKey = QStringLiteral("Belvanto 1.0");

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& key = kInstanceKey, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the first instance, which then listens for later starts.
    // False when another instance runs; it has been asked to come forward.
    bool start();

    // Per user, so that users of one machine do not see each other.
    static QString serverName(const QString& key);
    static QString lockPath(const QString& key);

Q_SIGNALS:
    void activated();

private:
    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace belvanto
