#include "mail/RwMapiLibrary.h"

#include "mail/RwMapiErrors.h"
#include "platform/registry/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>

#include <memory>

namespace {

std::unique_ptr<QLibrary> g_library;
QHash<QByteArray, QFunctionPointer> g_entries;

const QString kLibraryName = QStringLiteral("mapi32.dll");

[[noreturn]] void raise(const QString &text, HRESULT code = E_FAIL)
{
    throw ERwMapiLoadException(text, code);
}

QString initializeFailureText(HRESULT code)
{
    const QString failed = QStringLiteral("RwLoadMAPI failed!\r\n");
    switch (code) {
    case E_FAIL:
        return QStringLiteral("There is no MAPI Client Library (like MS Outlook) installed, or it "
                              "is not the default MAPI client!");
    case MAPI_E_UNKNOWN_FLAGS:
    case E_INVALIDARG:
        return failed + QStringLiteral("The Caller passed an invalid parameter or flag.");
    case MAPI_E_INVALID_OBJECT:
        return failed + QStringLiteral("Check if system resources are exhausted.");
    case MAPI_E_NOT_ENOUGH_RESOURCES:
        return failed
            + QStringLiteral("Not enough system resources were available to complete the "
                             "operation.");
    case MAPI_E_VERSION:
        return failed
            + QStringLiteral("The version of OLE installed on the workstation is not compatible "
                             "with this version of MAPI.");
    case MAPI_E_SESSION_LIMIT:
        return failed
            + QStringLiteral("MAPI sets up context specific to the current process.\r\nFailures "
                             "may occur on Win16 if the number of processes exceeds a certain "
                             "number, or on any system if available memory is exhausted.");
    case MAPI_E_TOO_COMPLEX:
        return failed
            + QStringLiteral("(Windows NT only) The calling process is an NT service and "
                             "registry keys required by MAPI could not be initialized.\r\n"
                             "Additional information may be available in the application event "
                             "log.");
    case MAPI_E_NOT_INITIALIZED:
        return failed + QStringLiteral("The profile provider has encountered an error.");
    default:
        return MapiErrorMessage(
            QStringLiteral("TRwMapiSessionImpl"), QStringLiteral("RwLoadMAPI"), code);
    }
}

void forgetLibrary()
{
    g_entries.clear();
    if (g_library)
        g_library->unload();
    g_library.reset();
    RwMapiState &state = RwMapiState::instance();
    state.mode = TRwMapiMode::NotLoaded;
    state.initialized = false;
}

} // namespace

RwMapiState &RwMapiState::instance()
{
    static RwMapiState state;
    return state;
}

QString HostLibraryFile(const QString &dllPath)
{
    const QFileInfo info(QDir::fromNativeSeparators(dllPath));
    QString base = info.fileName();
    if (base.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        base.chop(4);
#if defined(Q_OS_WIN)
    const QString file = base + QStringLiteral(".dll");
#elif defined(Q_OS_MACOS)
    const QString file = QStringLiteral("lib") + base + QStringLiteral(".dylib");
#else
    const QString file = QStringLiteral("lib") + base + QStringLiteral(".so");
#endif
    const QString folder = info.path();
    return dllPath.contains(QLatin1Char('/')) || dllPath.contains(QLatin1Char('\\'))
        ? folder + QLatin1Char('/') + file
        : file;
}

QString RwMapiLibraryPath()
{
    const auto key = RegistryKey::open(
        RegistryRoot::LocalMachine, QStringLiteral("\\Software\\Clients\\Mail\\Microsoft Outlook"));
    const auto value = key ? key->readString(QStringLiteral("DLLPathEx")) : std::nullopt;
    if (value && !value->isEmpty()) {
        const QString folder = QFileInfo(QDir::fromNativeSeparators(*value)).path();
        const QString candidate = folder + QLatin1Char('/') + kLibraryName;
        if (QFileInfo::exists(HostLibraryFile(candidate)))
            return candidate;
    }
    return kLibraryName;
}

void RwLoadMAPI(TRwMapiMode mode, const TRwMapiLogonInfo &info)
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    if (g_library)
        raise(QStringLiteral("The mapi32.dll is already loaded. Please unload it first!"));
    if (mode == TRwMapiMode::NotLoaded)
        raise(QStringLiteral("You must specify which MAPI Interface you want to use!"));
    auto library = std::make_unique<QLibrary>(HostLibraryFile(RwMapiLibraryPath()));
    if (!library->load())
        raise(QStringLiteral("The mapi32.dll could not be loaded. Please check if a MAPI client "
                             "is installed!"));
    g_library = std::move(library);
    state.mode = mode;
    if (mode != TRwMapiMode::Extended)
        return;
    try {
        auto initialize = RwMapiFunction<MAPIINITIALIZE>("MAPIInitialize");
        MAPIINIT_0 record { MAPI_INIT_VERSION, info.InitializeFlags() };
        const HRESULT hr = initialize(record.ulFlags ? &record : nullptr);
        if (hr != S_OK)
            raise(initializeFailureText(hr), hr);
        state.initialized = true;
    } catch (...) {
        forgetLibrary(); // a failed load leaves nothing behind, so the next try starts afresh
        throw;
    }
}

void RwUnloadMAPI()
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    if (state.mode == TRwMapiMode::Extended && state.initialized && g_library) {
        if (auto uninitialize
            = reinterpret_cast<MAPIUNINITIALIZE>(g_library->resolve("MAPIUninitialize")))
            uninitialize();
    }
    forgetLibrary();
}

QFunctionPointer RwMapiEntry(const char *name)
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    const QByteArray key(name);
    if (auto it = g_entries.constFind(key); it != g_entries.constEnd())
        return it.value();
    QFunctionPointer entry = g_library ? g_library->resolve(name) : nullptr;
    if (!entry)
        raise(QStringLiteral("The loaded MAPI library does not support \"%1\"!")
                  .arg(QString::fromLatin1(name)),
            MAPI_E_NO_SUPPORT);
    g_entries.insert(key, entry);
    return entry;
}

QFunctionPointer RwMapiOptionalEntry(const char *name)
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    return g_library ? g_library->resolve(name) : nullptr;
}

void RwRequireExtended()
{
    if (RwMapiState::instance().mode == TRwMapiMode::Simple)
        raise(QStringLiteral("You are trying to execute an Extended MAPI call while Simple MAPI is "
                             "used!"));
}

void RwRequireSimple()
{
    if (RwMapiState::instance().mode == TRwMapiMode::Extended)
        raise(QStringLiteral("You are trying to execute a Simple MAPI call while Extended MAPI is "
                             "used!"));
}
