#include "ShellFixture.h"

#include "ReaderSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>

MainWindowHooks FakeMainWindow::hooks()
{
    MainWindowHooks h;
    h.window = &window;
    h.clipChecked = [this] { return clip; };
    h.setClipChecked = [this](bool on) {
        calls << QStringLiteral("setClipChecked");
        clip = on;
    };
    h.dialogChecked = [this] { return dialog; };
    h.setDialogChecked = [this](bool on) {
        calls << QStringLiteral("setDialogChecked");
        dialog = on;
    };
    h.voiceListText = [this] { return voiceList; };
    h.setVoiceListText = [this](const QString &text) { voiceList = text; };
    h.setVoice = [this](const QString &voice) {
        calls << QStringLiteral("setVoice");
        voicesSet << voice;
    };
    h.currentVoice = [this] { return engineVoice; };
    h.applySpeedAndVolume = [this] { calls << QStringLiteral("applySpeedAndVolume"); };
    h.stopSpeaking = [this] { calls << QStringLiteral("stopSpeaking"); };
    h.rememberClipboard = [this] { calls << QStringLiteral("rememberClipboard"); };
    h.alignLeft = [this] { calls << QStringLiteral("alignLeft"); };
    h.loadEngines = [this] { calls << QStringLiteral("loadEngines"); };
    h.newDocument = [this] { calls << QStringLiteral("newDocument"); };
    h.enableMonitor = [this] { calls << QStringLiteral("enableMonitor"); };
    h.fillFontBoxes = [this] { calls << QStringLiteral("fillFontBoxes"); };
    h.relayout = [this] { calls << QStringLiteral("relayout"); };
    h.openFile = [this](const QString &path) { calls << QStringLiteral("openFile:") + path; };
    h.askToSaveChanges = [this] {
        calls << QStringLiteral("askToSaveChanges");
        return documentSettled;
    };
    return h;
}

void ShellFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    QDir(m_dir.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(runtimeFolder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    newShell();
}

void ShellFixture::TearDown()
{
    m_shell.reset();
}

ShellOptions ShellFixture::options()
{
    ShellOptions o;
    o.runtimeFolder = runtimeFolder();
    o.settingsFile = settingsFile();
    o.openCommand = [this](QString &command, int showStyle, const QString &) {
        m_opened << QStringLiteral("%1|%2").arg(command).arg(showStyle);
        return m_openResult;
    };
    o.trayAvailable = [this] { return m_tray; };
    o.endProgram = [this] { ++m_ended; };
    o.mediaControls = [this](MediaControls::Commands commands) {
        struct Recorder : MediaControls
        {
            RecordedMediaControls &record;
            explicit Recorder(RecordedMediaControls &r) : record(r) {}
            void publish(const State &state) override { record.published << state; }
        };
        m_media.commands = std::move(commands);
        return std::make_unique<Recorder>(m_media);
    };
    return o;
}

ReaderShell &ShellFixture::newShell()
{
    m_shell.reset();
    m_shell = std::make_unique<ReaderShell>(options());
    m_shell->attachMainWindow(m_main.hooks());
    return *m_shell;
}

QString ShellFixture::runtimeFolder() const
{
    return m_dir.filePath(QStringLiteral("run"));
}

QString ShellFixture::settingsFile() const
{
    return m_dir.filePath(QStringLiteral("Reader.conf"));
}

QString ShellFixture::setting(const QString &section, const QString &key) const
{
    QSettings store(settingsFile(), QSettings::IniFormat);
    return store.value(section + QLatin1Char('/') + key).toString();
}

void ShellFixture::putSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings store(settingsFile(), QSettings::IniFormat);
    store.setValue(section + QLatin1Char('/') + key, value);
}
