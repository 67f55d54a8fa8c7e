#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <chrono>
#include <memory>

namespace zuvo::test {

// Another soft phone as the far end of a call: baresip or linphonec, registered with a registrar
// on 127.0.0.1 as sip:USER@zuvo.test over UDP, answering every call at once, sending the audio of
// a wave file (48 kHz mono for baresip) and recording what it receives. baresip offers G.722 and
// G.711 only; linphonec its own defaults (Opus first). Driven through its console; stopped when
// the object goes.
class FarEndPhone {
public:
    enum class Kind { Baresip, Linphonec };
    FarEndPhone(Kind kind, const QString& folder, int registrarPort, const QString& user,
                const QString& sendWave);
    ~FarEndPhone();
    FarEndPhone(const FarEndPhone&) = delete;
    FarEndPhone& operator=(const FarEndPhone&) = delete;

    // Starts it and waits until the registrar accepted it.
    bool Start(std::chrono::seconds timeout = std::chrono::seconds(20));
    QString name() const {
        return m_kind == Kind::Baresip ? QStringLiteral("baresip") : QStringLiteral("linphonec");
    }
    // What it received, as a wave file (complete once the call ended).
    QString recording() const;
    // Everything it printed so far.
    QByteArray Output();
    // Waits until its output holds the text (case-sensitive).
    bool WaitForOutput(const QByteArray& text,
                       std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // In a call now / the call ended, as its console says.
    bool WaitInCall(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool WaitCallEnded(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // The keys it received, in order, as its console reports them.
    QString ReceivedKeys();
    void HangUp();
    void Stop();

private:
    void Say(const QByteArray& line);

    Kind m_kind;
    QString m_folder;
    int m_registrarPort;
    QString m_user;
    QString m_sendWave;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_output;
};

}  // namespace zuvo::test
