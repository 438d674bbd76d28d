#pragma once
// The framework object of the process and its main routine. The main routine drives the object
// through its phases: InitApplication (documents, single instance), InitInstance (video, the debug
// log switch) and Run, which makes the application object T, its main window with the main
// control, and runs the message loop until the exit request. Start-up failures show the start-up
// error box, or say why on standard error when no desktop can show one; the main routine then
// answers 1.
#include "KXFramework/Application/ApplicationBase.h"
#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/Notification/NotificationQueue.h"
#include "KXFramework/Platform/Clipboard/SdlClipboard.h"
#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Process/Locale.h"
#include "KXFramework/Platform/Process/SingleInstance.h"
#include "KXFramework/Platform/Process/StandardStreams.h"
#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Process/WriteSignals.h"
#include "KXFramework/Platform/Text/TextConversion.h"
#include "KXFramework/Platform/Window/DesktopReach.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include <cerrno>
#include <functional>
#include <memory>
#include <string>

namespace KX {

template <class T>
class MFCFrameworkApp : public Platform::AppHost {
public:
    using MessageBoxFactory = std::function<std::unique_ptr<Platform::MessageBoxService>()>;

    // Message boxes come from the factory: the desktop's by default, a double in tests.
    explicit MFCFrameworkApp(MessageBoxFactory messageBoxes = {})
        : m_messageBoxes(messageBoxes ? std::move(messageBoxes)
                                      : MessageBoxFactory(&LFrameworkApp::CreateDesktopMessageBoxes))
    {
    }
    ~MFCFrameworkApp() override { StopVideo(); }

    // The process's command line (UTF-8) and the language of the texts; set by the main routine.
    void SetCommandLine(const std::string& commandLineUtf8) { m_commandLine = commandLineUtf8; }
    void SetLocaleID(uint32_t localeId) { m_localeId = localeId; }
    uint32_t GetLocaleID() const { return m_localeId; }
    bool IsPreStart() const { return m_preStart; }
    // A start-up phase failed and said so; the process ends with status 1.
    bool HasStartupFailed() const { return m_startupFailed; }
    bool IsFirstInstance() const { return m_firstInstance; }

    bool InitApplication() override
    {
        m_preStart = false;
        try {
            m_controlFactory = new LControlFactory(Version().GetProductName());
            const std::string folder = DevelopmentResourceFolder();
            const DocumentSources sources =
                LControlFactory::GetDocumentSources(folder.empty() ? String(u"::") : String(folder.c_str()));
            KXRESULT r =
                m_controlFactory->LoadStringTables(sources.frameworkStrings, sources.applicationStrings, m_localeId);
            RCPtr<LStringTable> applicationTable;
            m_controlFactory->GetApplicationStringTable(applicationTable);
            m_controlFactory->GetFrameworkStringTable(m_frameworkStringTable);
            // The editor's texts cannot come from anywhere else: a missing table fails like a bad one.
            if (Succeeded(r) && (!applicationTable || !m_frameworkStringTable))
                r = E_FAIL;
            if (Succeeded(r))
                r = m_controlFactory->LoadSkin(sources.skin);
            ThrowIfFailed(r, Place("InitApplication", 189).c_str());
            return TestSingleInstance();
        } catch (...) {
            ShowStartupError();
            return false;
        }
    }

    bool InitInstance() override
    {
        ApplyDebugConsoleOption(m_commandLine);
        // The desktop replaces the common controls and OLE: without video nothing can be shown, not
        // even the start-up error box. The program says why where it was started, as desktop
        // programs do, and in the debug log.
        if (!Platform::VideoSystem::Start()) {
            Platform::DebugLog::WriteConsoleLine(std::string(program_invocation_short_name) + ": " +
                                                 Platform::VideoSystem::LastError());
            m_startupFailed = true;
            return false;
        }
        m_videoStarted = true;
        // SDL may have come to a driver that shows nothing from a list that named a desktop first, which
        // failed: unseen, this run takes no part in the single instance. It lets the lock go before it
        // answers any start, and the starts it kept unanswered take the lock and open their windows.
        if (Platform::ShowsNothing())
            m_singleInstance.reset();
        // A notification posted from any thread, or late in an idle pass, is delivered in the next
        // turn at once rather than after the loop's 33 ms wait.
        SetNotificationPostedHook(&Platform::EventPump::Wake);
        return true;
    }

    // Makes the application object and its main window, runs the loop and shuts the object down.
    // A failure that is not a quiet exit throws the "Failed Result" exception of this method.
    int Run() override
    {
        const String commandLine(m_commandLine.c_str());
        RCPtr<T> application(new T(m_controlFactory, m_frameworkStringTable, commandLine, m_messageBoxes(),
                                   std::make_unique<Platform::SdlClipboard>()));
        application->SetLocaleID(m_localeId);
        T::SetApplication(application);
        application->OnCommandLineBeforeInitialize(commandLine);
        const KXRESULT initialized = application->Initialize();
        if (IsQuietExitResult(initialized)) {
            RunMessageLoop(); // ends on the quit message the application posted
        } else {
            ThrowIfFailed(initialized, Place("Run", 268).c_str());
            application->OnCommandLineAfterInitialize(commandLine);
            ThrowIfFailed(application->CreateMainWindow(application->GetRendererKind()), Place("Run", 275).c_str());
            OSWindow* main = application->GetMainWindow();
            ThrowIfFailed(main->GetRootWindow()->SetContentByName(application->GetMainControlName()),
                          Place("Run", 280).c_str());
            main->Show(int(Platform::ShowCommand::Show)); // answers only the former state
            ServeOtherInstances();
            application->RunApplication();
        }
        application = nullptr;
        DiscardApplication();
        return ExitInstance();
    }

    int ExitInstance() override { return 1; }

    // Idle delivery unless the application suspends it; a third pass is never asked for.
    bool OnIdle(long count) override
    {
        RCPtr<T> application = T::GetApplication();
        if (!application || application->IsIdleSuspended())
            return false;
        return application->LFrameworkApp::OnIdle(count == 0) && count < 2;
    }

    // The framework table's STARTUP_ERROR texts, or the built-in English ones, in an error box.
    void ShowStartupError()
    {
        m_startupFailed = true;
        // A start while the box is up runs as the first: this one holds no lock and no socket by then.
        WatchDescriptor(-1, {});
        m_singleInstance.reset();
        String text(u"The application encountered problems during startup and will now close.");
        String caption(u"Error");
        if (m_frameworkStringTable) {
            m_frameworkStringTable->GetString(u"STARTUP_ERROR", text);
            m_frameworkStringTable->GetString(u"STARTUP_ERROR_CAPTION", caption);
        }
        Platform::MessageBoxRequest request;
        request.text.assign(text.GetData(), text.GetLength());
        request.caption.assign(caption.GetData(), caption.GetLength());
        request.flags = Platform::MessageBoxFlags::kIconError;
        std::unique_ptr<Platform::MessageBoxService> boxes = m_messageBoxes();
        boxes->Show(request); // the box has only OK
    }

    // Drops what the process kept and ends video.
    void Release()
    {
        DiscardApplication();
        LFrameworkApp::SetStatusBar(nullptr);
        m_singleInstance.reset();
        m_frameworkStringTable = nullptr;
        m_controlFactory = nullptr;
        StopVideo();
    }

private:
    // Shuts the application object down and lets it go, with its main window when one is left
    // (after a failed run).
    void DiscardApplication()
    {
        StopServingOtherInstances();
        RCPtr<T> application = T::GetApplication();
        if (!application)
            return;
        if (OSWindow* main = application->GetMainWindow())
            main->EndModal(0);
        application->Shutdown();
        T::SetApplication(nullptr);
        application->BreakCycles();
    }

    static std::string Place(const char* method, int line)
    {
        return SourcePlace("KX::MFCFrameworkApp<" + TypeName(typeid(T)) + ">::" + method,
                           "Application\\ApplicationBaseWin", line);
    }

    // The first process goes on and listens at once, so that a start right after it finds it: what
    // such a start hands over waits until the main window exists. A later process hands its command
    // line to the first and ends, with 0 once the first took it, with 1 and a line saying so when the
    // first does not answer. When the first ends without serving it, with no first instance listening,
    // or with no safe place for the lock, this one starts as well.
    bool TestSingleInstance()
    {
        using Role = Platform::SingleInstance::Role;
        using Result = Platform::SingleInstance::HandOverResult;
        // A run that shows nothing (SDL's dummy or offscreen driver, named by the user) neither holds the
        // lock nor hands over: it never keeps a start with a desktop from showing its window.
        if (Platform::ShowsNothing())
            return true;
        const String title = T::GetApplicationTitle() + String(u"Prevent");
        m_singleInstance = Platform::SingleInstance::Acquire(
            Platform::Utf8FromUtf16(std::u16string_view(title.GetData(), title.GetLength())));
        if (m_singleInstance->GetRole() == Role::Second && !m_commandLine.empty()) {
            const Result result =
                m_singleInstance->HandOver(m_commandLine, [] { return Platform::TerminationWatch::Requested(); });
            if (result == Result::Served || result == Result::NoAnswer || result == Result::Interrupted) {
                if (result != Result::Served)
                    SayWhyNotHandedOver(result == Result::NoAnswer, m_singleInstance->GetHolder());
                m_startupFailed = result == Result::NoAnswer;
                m_firstInstance = false;
                m_singleInstance.reset();
                return false;
            }
        }
        // The hand-over makes this one the first when the first has ended meanwhile.
        if (m_singleInstance->GetRole() == Role::First && !m_singleInstance->Listen())
            DebugLog("Single instance: cannot listen; later starts open editors of their own");
        return true;
    }

    // A line on standard error and in the debug log that the command line names: the running editor did
    // not answer (noAnswer), or a termination signal came while this start waited for it. What is not
    // known of that editor is left out. SIGTERM waits until a stopped process is resumed, so ending a
    // stopped editor takes both.
    void SayWhyNotHandedOver(bool noAnswer, const Platform::SingleInstance::Holder& holder)
    {
        const std::string process = holder.process > 0 ? std::to_string(holder.process) : std::string();
        std::string line = std::string(program_invocation_short_name) + ": ";
        if (!noAnswer) {
            line += "ended by a termination signal while waiting for the running editor" +
                    (process.empty() ? std::string() : " (process " + process + ")") + " to answer";
        } else if (process.empty()) {
            line += "an editor already runs for this user and does not answer; wait until it answers again, or "
                    "end it";
        } else {
            line += "an editor already runs for this user and does not answer: process " + process;
            if (!holder.display.empty())
                line += " on display \"" + holder.display + "\"";
            line += holder.stopped ? ", stopped; resume it (fg in its terminal, or kill -CONT " + process +
                                         "), or end it (kill " + process + ", then kill -CONT " + process + ")"
                                   : "; wait until it answers again, or end it (kill " + process + ")";
        }
        ApplyDebugConsoleOption(m_commandLine); // InitInstance, which would set the log's target, never runs
        Platform::DebugLog::WriteConsoleLine(line);
    }

    // Once the main window exists, every loop serves the hand-overs, those waiting since the start
    // included, until the end begins (the quit message, a termination signal): from then on no start is
    // answered, so that it waits for the lock and opens its own window rather than ending unserved. A
    // record read whole is answered at the next turn, which comes at once.
    void ServeOtherInstances()
    {
        if (!m_singleInstance || m_singleInstance->GetListenDescriptor() < 0)
            return;
        WatchDescriptor(
            m_singleInstance->GetListenDescriptor(),
            [this] {
                const bool workLeft = m_singleInstance->ServePending(
                    [](const std::string& commandLine) { ReceiveHandOver(commandLine); });
                if (m_singleInstance->HasAnswersDue())
                    Platform::EventPump::Wake();
                return workLeft;
            },
            [this] { StopServingOtherInstances(); });
    }

    void StopServingOtherInstances()
    {
        WatchDescriptor(-1, {});
        if (m_singleInstance)
            m_singleInstance->StopListening();
    }

    // Another start: the main window and its dialog come to the front, and an enabled main window
    // passes the command line to the application.
    static void ReceiveHandOver(const std::string& commandLineUtf8)
    {
        RCPtr<T> application = T::GetApplication();
        OSWindow* main = application ? application->GetMainWindow() : nullptr;
        if (!main)
            return;
        main->Show(int(Platform::ShowCommand::Restore)); // answers only the former state
        main->BringToTop();
        bool enabled = true;
        for (const RCPtr<LRootWindow>& root : application->GetRootWindows()) {
            if (IWindowOSServices* os = root->GetOSServices(); os && os->IsModal()) {
                enabled = false;
                os->BringToTop();
            }
        }
        if (enabled)
            application->OnCommandLineFromOtherInstance(String(Platform::Utf16FromUtf8(commandLineUtf8).c_str()));
    }

    static void ApplyDebugConsoleOption(const std::string& commandLine)
    {
        const Platform::DebugLog::DebugConsoleOption option = Platform::DebugLog::ParseDebugConsoleOption(commandLine);
        if (option.action == Platform::DebugLog::DebugConsoleOption::Action::OpenConsole) {
            OpenDebugConsole();
        } else if (option.action == Platform::DebugLog::DebugConsoleOption::Action::SetTarget) {
            const std::u16string host = Platform::Utf16FromUtf8(option.host);
            SetDebugLogTarget(host.empty() ? nullptr : host.c_str(), option.port);
        }
    }

    bool PumpMessage(uint32_t timeoutMs) override { return OSWindow::RunOnce(timeoutMs); }

    void StopVideo()
    {
        if (m_videoStarted) {
            SetNotificationPostedHook({}); // posts after this wake nobody
            Platform::VideoSystem::Stop();
        }
        m_videoStarted = false;
    }

    bool m_preStart = true;
    RCPtr<LControlFactory> m_controlFactory;
    RCPtr<LStringTable> m_frameworkStringTable;
    bool m_firstInstance = true;
    uint32_t m_localeId = 0x0409;
    std::string m_commandLine;
    MessageBoxFactory m_messageBoxes;
    std::unique_ptr<Platform::SingleInstance> m_singleInstance;
    bool m_videoStarted = false;
    bool m_startupFailed = false;
};

// The main routine: locale -1 takes the user's. Returns the process exit status: 0, or 1 after a
// start-up error that no termination signal came before. An exception out of the run phase shows the
// start-up error box.
template <class T>
int RunFrameworkMain(MFCFrameworkApp<T>& app, int argc, char** argv, int32_t localeId)
{
    // The termination signals count from the first moment; the standard streams are made whole before
    // anything opens a descriptor.
    Platform::TerminationWatch::Start();
    Platform::OpenClosedStandardStreams();
    Platform::IgnoreWriteSignals();
    app.SetCommandLine(Platform::JoinCommandLine(argc, argv));
    app.SetLocaleID(localeId != -1 ? uint32_t(localeId) : Platform::GetUserLocaleId() & 0xFFFF);
    // A termination signal during the start ends it at the next phase, with status 0.
    const auto goingOn = [] { return !Platform::TerminationWatch::Requested(); };
    if (app.InitApplication() && goingOn()) {
        if (app.InitInstance()) {
            try {
                if (goingOn())
                    app.Run(); // its answer is not the exit status
            } catch (const std::exception& e) {
                DebugLog("Start-up failed: %s", e.what());
                app.ShowStartupError();
            }
        } else {
            app.ExitInstance(); // its answer is not the exit status
        }
    }
    app.Release();
    Platform::DebugLog::WriteLostLineCount();
    return app.HasStartupFailed() && goingOn() ? 1 : 0;
}

} // namespace KX
