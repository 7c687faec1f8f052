#pragma once
#include <QDateTime>
#include <QString>

namespace oa {

// The workstation clock. Batch names and the score change log use it; injectable so tests run at fixed times.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
    QDateTime now() const override { return t_; }
    void set(const QDateTime& t) { t_ = t; }
    void advance(qint64 secs) { t_ = t_.addSecs(secs); }

private:
    QDateTime t_;
};

// What the programs ask of the workstation itself.
class Machine {
public:
    virtual ~Machine() = default;
    // LocalIPAddress: the first IPv4 address of the host name, "127.0.0.1" when it does not resolve.
    virtual QString localIPAddress() const;
    // Lantern's variant: the last address of the host name, empty when it does not resolve.
    virtual QString lanternIPAddress() const;
    // LocalComputerName: the computer name, empty when unknown.
    virtual QString localComputerName() const;
    // Seconds since the last keyboard or mouse input on this desktop; 0 when the desktop cannot tell.
    virtual int idleSeconds() const;
};

class FakeMachine : public Machine {
public:
    QString ip = QStringLiteral("192.168.1.7");
    QString lanternIp = QStringLiteral("192.168.1.7");
    QString name = QStringLiteral("OFFICE-PC");
    int idle = 0;
    QString localIPAddress() const override { return ip; }
    QString lanternIPAddress() const override { return lanternIp; }
    QString localComputerName() const override { return name; }
    int idleSeconds() const override { return idle; }
};

}  // namespace oa
