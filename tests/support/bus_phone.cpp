#include "tests/support/bus_phone.h"

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace zuvo::test {

BusPhone::BusPhone(QString folder) : m_folder(std::move(folder)) {}

bool BusPhone::StartPeers(const PhonePeers::Options& options) {
    EnsureApplication();
    m_peers = std::make_unique<PhonePeers>(m_folder, options);
    if (!m_peers->Start()) {
        return false;
    }
    qputenv("XDG_RUNTIME_DIR", m_peers->Environment().value(u"XDG_RUNTIME_DIR"_s).toLocal8Bit());
    return true;
}

QString BusPhone::error() const {
    return m_peers ? m_peers->error() : u"the peers were not started"_s;
}

bool BusPhone::Launch() {
    m_phone = std::make_unique<IdlePhone>(*m_peers);
    return m_phone->Launch();
}

bool BusPhone::WaitUntilIdleAndSignedIn(std::chrono::seconds timeout) {
    return m_phone && m_phone->WaitUntilIdleAndSignedIn(timeout);
}

bool BusPhone::Running() const {
    return m_phone && m_phone->Running();
}

ProgramResult BusPhone::Run(const QString& program, const QStringList& arguments,
                            std::chrono::milliseconds timeout) {
    return RunProgram(program, arguments, m_peers->Environment(), timeout);
}

std::string BusPhone::State() {
    const ProgramResult r = Run(u"zuvo-ctl"_s, {u"state"_s});
    return r.code == 0 ? r.output.trimmed().toStdString()
                       : "zuvo-ctl " + std::to_string(r.code) + ": " + r.output.toStdString();
}

std::string BusPhone::Diagnostics() {
    return "--- phone\n" + (m_phone ? m_phone->Output().toStdString() : std::string()) + '\n' +
           (m_peers ? m_peers->Logs().toStdString() : std::string());
}

}  // namespace zuvo::test
