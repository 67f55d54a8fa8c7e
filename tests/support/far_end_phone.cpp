#include "tests/support/far_end_phone.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "tests/support/test_environment.h"

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr auto kPassword = "mirthful";  // Kamailio's digest password for every user

bool WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

}  // namespace

FarEndPhone::FarEndPhone(Kind kind, const QString& folder, int registrarPort, const QString& user,
                         const QString& sendWave)
    : m_kind(kind),
      m_folder(folder),
      m_registrarPort(registrarPort),
      m_user(user),
      m_sendWave(sendWave) {}

FarEndPhone::~FarEndPhone() {
    Stop();
}

QString FarEndPhone::recording() const {
    if (m_kind == Kind::Linphonec) {
        return m_folder + u"/received.wav"_s;
    }
    // baresip's sndfile module names its files after the peer; "-dec" is what it decoded.
    const QStringList files = QDir(m_folder + u"/dump"_s).entryList({u"*-dec.wav"_s}, QDir::Files);
    return files.isEmpty() ? QString() : m_folder + u"/dump/"_s + files.first();
}

bool FarEndPhone::Start(std::chrono::seconds timeout) {
    QDir().mkpath(m_folder);
    const QByteArray registrar = "127.0.0.1:" + QByteArray::number(m_registrarPort);
    const QByteArray user = m_user.toUtf8();
    const QByteArray folder = QFile::encodeName(m_folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_folder);
    QStringList arguments;
    QString program;
    if (m_kind == Kind::Baresip) {
        QDir().mkpath(m_folder + u"/dump"_s);
        const int rtp = FreePort(true) & ~1;
        const QByteArray config =
            "poll_method epoll\n"
            "sip_listen 127.0.0.1:0\n"
            "audio_player aufile,/dev/null\n"
            "audio_source aufile," +
            QFile::encodeName(m_sendWave) +
            "\n"
            "audio_alert aufile,/dev/null\n"
            "ausrc_srate 48000\nauplay_srate 48000\nausrc_channels 1\nauplay_channels 1\n"
            "rtp_ports " +
            QByteArray::number(rtp) + "-" + QByteArray::number(rtp + 40) +
            "\n"
            "net_interface 127.0.0.1\n"
            "snd_path " +
            folder +
            "/dump\n"
            "module_path /usr/lib/baresip/modules\n"
            "module stdio.so\nmodule g722.so\nmodule g711.so\n"
            "module aufile.so\nmodule sndfile.so\n"
            "module_app account.so\nmodule_app menu.so\n";
        const QByteArray account = "<sip:" + user + "@zuvo.test>;auth_pass=" + kPassword +
                                   ";outbound=\"sip:" + registrar +
                                   ";transport=udp\";regint=3600;answermode=auto\n";
        if (!WriteText(m_folder + u"/config"_s, config) ||
            !WriteText(m_folder + u"/accounts"_s, account) ||
            !WriteText(m_folder + u"/contacts"_s, {})) {
            return false;
        }
        program = u"baresip"_s;
        arguments = {u"-f"_s, m_folder};
    } else {
        QDir().mkpath(m_folder + u"/.local/share/linphone"_s);
        const int rtp = FreePort(true) & ~1;
        const QByteArray rc =
            "[sip]\nsip_port=-1\nsip_tcp_port=0\nsip_tls_port=0\nuse_ipv6=0\ndefault_proxy=0\n"
            "ping_with_options=0\nregister_only_when_network_is_up=0\n"
            "[net]\nstun_server=\nfirewall_policy=0\nauto_net_state_mon=0\n"
            "[rtp]\naudio_rtp_port=" +
            QByteArray::number(rtp) + "-" + QByteArray::number(rtp + 40) +
            "\n"
            "[sound]\nechocancellation=0\n"
            "[misc]\nconfig-uri=\nversion_check_url_root=\nfile_transfer_server_url=\n"
            "[proxy_0]\nreg_proxy=<sip:" +
            registrar + ";transport=udp>\nreg_route=<sip:" + registrar +
            ";transport=udp;lr>\nreg_identity=sip:" + user +
            "@zuvo.test\nreg_expires=3600\nreg_sendregister=1\npublish=0\n"
            "[auth_info_0]\nusername=" +
            user + "\npasswd=" + kPassword + "\nrealm=zuvo.test\ndomain=zuvo.test\n";
        if (!WriteText(m_folder + u"/linphonerc"_s, rc)) {
            return false;
        }
        program = u"linphonec"_s;
        arguments = {u"-c"_s, m_folder + u"/linphonerc"_s, u"-d"_s, u"6"_s};
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setProcessEnvironment(env);
    m_process->setWorkingDirectory(m_folder);
    m_process->start(program, arguments);
    if (!m_process->waitForStarted(10000)) {
        return false;
    }
    if (m_kind == Kind::Baresip) {
        return WaitForOutput("registered successfully", timeout);
    }
    Say("soundcard use files");
    Say("autoanswer enable");
    Say("play " + QFile::encodeName(m_sendWave));
    Say("record " + QFile::encodeName(recording()));
    // linphonec says nothing on its console when it is registered: its log does.
    return WaitForOutput("to [LinphoneRegistrationOk]", timeout);
}

void FarEndPhone::Say(const QByteArray& line) {
    if (m_process && m_process->state() == QProcess::Running) {
        m_process->write(line + '\n');
        m_process->waitForBytesWritten(2000);
    }
}

QByteArray FarEndPhone::Output() {
    if (m_process) {
        m_output += m_process->readAll();
    }
    return m_output;
}

bool FarEndPhone::WaitForOutput(const QByteArray& text, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return Output().contains(text); }, timeout);
}

bool FarEndPhone::WaitInCall(std::chrono::milliseconds timeout) {
    return WaitForOutput(m_kind == Kind::Baresip ? "Call established" : " connected.", timeout);
}

bool FarEndPhone::WaitCallEnded(std::chrono::milliseconds timeout) {
    return WaitForOutput(m_kind == Kind::Baresip ? "terminated (duration" : " ended (", timeout);
}

QString FarEndPhone::ReceivedKeys() {
    const QString text = QString::fromUtf8(Output());
    QString keys;
    const QRegularExpression pattern =
        m_kind == Kind::Baresip ? QRegularExpression(u"received event: '(.)' \\(end=1\\)"_s)
                                : QRegularExpression(u"Receiving tone (.) from"_s);
    for (const auto& match : pattern.globalMatch(text)) {
        keys += match.captured(1);
    }
    return keys;
}

void FarEndPhone::HangUp() {
    Say(m_kind == Kind::Baresip ? "/hangup" : "terminate");
}

void FarEndPhone::Stop() {
    if (!m_process || m_process->state() == QProcess::NotRunning) {
        return;
    }
    Say(m_kind == Kind::Baresip ? "/quit" : "quit");
    if (!m_process->waitForFinished(3000)) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    Output();
}

}  // namespace zuvo::test
