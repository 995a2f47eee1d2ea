#pragma once

#include "mail/RwMapiLogonInfo.h"

#include <QFunctionPointer>
#include <QString>

#include <mutex>
#include <vector>

class TRwMapiSessionImpl;

enum class TRwMapiMode { NotLoaded, Simple, Extended };

// Process-wide MAPI state shared by every session: the loaded library, its mode, whether
// MAPIInitialize has been called, and the live session objects, under one lock.
struct RwMapiState
{
    std::recursive_mutex lock;
    TRwMapiMode mode = TRwMapiMode::NotLoaded;
    bool initialized = false;
    std::vector<TRwMapiSessionImpl *> sessions;

    static RwMapiState &instance();
};

// The library's file: the folder of the mail client's "DLLPathEx" value plus
// "mapi32.dll" when that file exists, else plain "mapi32.dll" for the host's library
// search. "mapi32.dll" stands for the host's name of the library (libmapi32.so).
QString RwMapiLibraryPath();
// The host file name for a library path written with ".dll".
QString HostLibraryFile(const QString &dllPath);

// Loads the library in the given mode and, in Extended mode, initialises it.
void RwLoadMAPI(TRwMapiMode mode, const TRwMapiLogonInfo &info);
// Uninitialises (Extended) and unloads the library; sessions are the caller's business.
void RwUnloadMAPI();

// An entry point, looked up by name on first use and kept; raises when missing.
QFunctionPointer RwMapiEntry(const char *name);
template <class F> F RwMapiFunction(const char *name)
{
    return reinterpret_cast<F>(RwMapiEntry(name));
}
// An entry point the library may lack: null then, never raising.
QFunctionPointer RwMapiOptionalEntry(const char *name);

// Raise the mode errors.
void RwRequireExtended();
void RwRequireSimple();
