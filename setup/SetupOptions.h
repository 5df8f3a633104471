// The process-wide record of install options: silent or with the dialog,
// install or uninstall, a local package file or the online download, the
// progress channel to a parent, and the values passed on to the product.
//
// One static record, built with its defaults before the program's entry runs
// and read through the getters below from any thread. Nothing in the program
// writes it: it reads no command line, so every run takes the defaults (the
// visible online install). Tests change it only through ScopedOverride,
// before the threads that read it start.
#pragma once

#include <string>

class SetupOptions {
public:
    // The fields, in declaration order, with their defaults.
    struct Values {
        int silent = 0;           // no questions or countdown; the dialog closes by itself
        int mode = 0;             // 0 install, 1 uninstall
        std::wstring filePath;    // a local package to unpack instead of downloading
        int runApp = 0;           // start the product after a silent install
        int showWindow = 1;       // 0 keeps the dialog hidden
        int desktop = 1;          // create the desktop shortcut
        int thankYou = 1;         // open the finish web page
        int startModeOnline = 0;  // statistics report "online" (1) or "offline" (0)
        int addPlan = 1;          // pass the plan argument after a silent local install
        int outputProgress = 0;   // report progress to a parent through the channel
        std::wstring outputProgressName;
        std::wstring appFrom;  // "winstore" marks a store install
        std::wstring option;
        std::wstring secondSource;  // read by nothing
        std::wstring installPath;   // the install folder of a silent run
    };

    static int IsSilent();
    static int GetMode();
    // The package file's characters; an empty text by default.
    static const wchar_t* GetFilePath();
    static int IsRunApp();
    static int IsShowWindow();
    static int IsDesktop();
    static int IsThankYou();
    static int IsStartModeOnline();
    static int IsAddPlan();
    static int IsOutputProgress();
    static std::wstring GetOutputProgressName();
    static std::wstring GetAppFrom();
    static std::wstring GetOption();
    static std::wstring GetInstallPath();
    // 1 when app-from is exactly "winstore" (letter case counts), else 0.
    static int IsStoreInstall();

    // Tests only: other values for the life of the object, then the previous
    // ones again. Not for use while other threads read the record.
    class ScopedOverride {
    public:
        explicit ScopedOverride(const Values& values);
        ~ScopedOverride();
        ScopedOverride(const ScopedOverride&) = delete;
        ScopedOverride& operator=(const ScopedOverride&) = delete;

    private:
        Values m_previous;
    };

private:
    static Values& Record();
};
