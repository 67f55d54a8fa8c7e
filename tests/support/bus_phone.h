#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <string>

#include "tests/support/phone_peers.h"

namespace zuvo::test {

// A phone in a process of its own with its peers, for tests that reach it over its bus as other
// programs do: this process joins the phone's bus folder, and runs zuvo-ctl and zuvo-reg with the
// phone's environment.
class BusPhone {
public:
    explicit BusPhone(QString folder);

    // Starts the peers and puts this process on their bus; false with error() otherwise.
    bool StartPeers(const PhonePeers::Options& options = {});
    QString error() const;
    // Launches the phone, which signs in and waits (IdlePhone).
    bool Launch();
    bool WaitUntilIdleAndSignedIn(std::chrono::seconds timeout);
    bool Running() const;

    // One of our programs run to its end with the phone's environment.
    ProgramResult Run(const QString& program, const QStringList& arguments,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // What zuvo-ctl state prints, or its exit code and message.
    std::string State();
    // What the phone printed and the peers' logs.
    std::string Diagnostics();

    PhonePeers& peers() { return *m_peers; }
    IdlePhone& phone() { return *m_phone; }

private:
    QString m_folder;
    std::unique_ptr<PhonePeers> m_peers;
    std::unique_ptr<IdlePhone> m_phone;
};

}  // namespace zuvo::test
