#pragma once

// The MAPI interface as the mail library exports it and the mail session calls it:
// result codes, flags, property tags and values, row sets and address lists, and the
// reference-counted interfaces. Only what the program uses.
//
// Host conventions: PT_STRING8 texts are UTF-8, PT_UNICODE texts UTF-16 (char16_t).
// Memory handed out by the library (GetProps, QueryRows, ResolveName) is released
// with MAPIFreeBuffer; a buffer made with MAPIAllocateBuffer owns every block
// chained to it with MAPIAllocateMore.

#include <cstdint>

using HRESULT = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using ULONG_PTR = uintptr_t;
using LHANDLE = uintptr_t;
using SCODE = int32_t;

constexpr HRESULT MakeResult(uint32_t code)
{
    return static_cast<HRESULT>(code);
}

// Result codes
constexpr HRESULT S_OK = 0;
constexpr HRESULT MAPI_W_ERRORS_RETURNED = MakeResult(0x00040380u);
constexpr HRESULT E_FAIL = MakeResult(0x80004005u);
constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057u);
constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr HRESULT E_ACCESSDENIED = MakeResult(0x80070005u);
constexpr HRESULT MAPI_E_NO_ACCESS = E_ACCESSDENIED;
constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002u);
constexpr HRESULT MAPI_E_INTERFACE_NOT_SUPPORTED = E_NOINTERFACE;
constexpr HRESULT MAPI_E_NO_SUPPORT = MakeResult(0x80040102u);
constexpr HRESULT MAPI_E_BAD_CHARWIDTH = MakeResult(0x80040103u);
constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = MakeResult(0x80040106u);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = MakeResult(0x80040107u);
constexpr HRESULT MAPI_E_INVALID_OBJECT = MakeResult(0x80040108u);
constexpr HRESULT MAPI_E_NOT_ENOUGH_RESOURCES = MakeResult(0x8004010Eu);
constexpr HRESULT MAPI_E_NOT_FOUND = MakeResult(0x8004010Fu);
constexpr HRESULT MAPI_E_VERSION = MakeResult(0x80040110u);
constexpr HRESULT MAPI_E_LOGON_FAILED = MakeResult(0x80040111u);
constexpr HRESULT MAPI_E_SESSION_LIMIT = MakeResult(0x80040112u);
constexpr HRESULT MAPI_E_USER_CANCEL = MakeResult(0x80040113u);
constexpr HRESULT MAPI_E_NETWORK_ERROR = MakeResult(0x80040115u);
constexpr HRESULT MAPI_E_TOO_COMPLEX = MakeResult(0x80040117u);
constexpr HRESULT MAPI_E_CORRUPT_DATA = MakeResult(0x8004011Bu);
constexpr HRESULT MAPI_E_UNKNOWN_CPID = MakeResult(0x8004011Eu);
constexpr HRESULT MAPI_E_UNKNOWN_LCID = MakeResult(0x8004011Fu);
constexpr HRESULT MAPI_E_UNKNOWN_ENTRYID = MakeResult(0x80040201u);
constexpr HRESULT MAPI_E_TIMEOUT = MakeResult(0x80040401u);
constexpr HRESULT MAPI_E_NOT_INITIALIZED = MakeResult(0x80040605u);
constexpr HRESULT MAPI_E_NO_RECIPIENTS = MakeResult(0x80040607u);
constexpr HRESULT MAPI_E_AMBIGUOUS_RECIP = MakeResult(0x80040700u);
constexpr HRESULT MAPI_E_PROFILE_UNRESOLVED = MakeResult(0x81002746u);

// Logon and session flags
constexpr ULONG MAPI_LOGON_UI = 0x1;
constexpr ULONG MAPI_NEW_SESSION = 0x2;
constexpr ULONG MAPI_ALLOW_OTHERS = 0x8;
constexpr ULONG MAPI_EXPLICIT_PROFILE = 0x10;
constexpr ULONG MAPI_EXTENDED = 0x20;
constexpr ULONG MAPI_USE_DEFAULT = 0x40;
constexpr ULONG MAPI_FORCE_DOWNLOAD = 0x1000;
constexpr ULONG MAPI_SERVICE_UI_ALWAYS = 0x2000;
constexpr ULONG MAPI_NO_MAIL = 0x8000;
constexpr ULONG MAPI_NT_SERVICE = 0x10000;
constexpr ULONG MAPI_PASSWORD_UI = 0x20000;
constexpr ULONG MAPI_TIMEOUT_SHORT = 0x100000;
constexpr ULONG MAPI_MULTITHREAD_NOTIFICATIONS = 0x1;
constexpr ULONG MAPI_UNICODE = 0x80000000u;
constexpr ULONG MAPI_LOGOFF_SHARED = 0x1;
constexpr ULONG MAPI_LOGOFF_UI = 0x2;
constexpr ULONG MAPI_DIALOG = 0x8;
constexpr ULONG AB_NO_DIALOG = 0x1;
constexpr ULONG MDB_NO_DIALOG = 0x1;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x8;
constexpr ULONG MDB_WRITE = 0x4;
constexpr ULONG MAPI_BEST_ACCESS = 0x10;
constexpr ULONG MDB_NO_MAIL = 0x80;
constexpr ULONG MDB_ONLINE = 0x100;
constexpr ULONG MAPI_MODIFY = 0x1;
constexpr ULONG MAPI_CREATE = 0x2;
constexpr ULONG KEEP_OPEN_READWRITE = 0x4;
constexpr ULONG FORCE_SUBMIT = 0x1;
constexpr ULONG MODRECIP_ADD = 0x2;
constexpr ULONG ATTACH_BY_VALUE = 1;
constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;
constexpr ULONG STORE_UNICODE_OK = 0x00040000;

// Object types answered by OpenEntry
constexpr ULONG MAPI_STORE = 1;
constexpr ULONG MAPI_FOLDER = 3;

// Property types and tags (tag = id << 16 | type)
constexpr ULONG PT_UNSPECIFIED = 0x0000;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_BINARY = 0x0102;

constexpr ULONG PropType(ULONG tag)
{
    return tag & 0xFFFFu;
}
constexpr ULONG PropId(ULONG tag)
{
    return tag >> 16;
}
constexpr ULONG ChangePropType(ULONG tag, ULONG type)
{
    return (tag & 0xFFFF0000u) | type;
}

constexpr ULONG PR_SUBJECT = 0x0037001E;
constexpr ULONG PR_SUBJECT_W = 0x0037001F;
constexpr ULONG PR_PRIORITY = 0x00260003;
// The Message-ID a submitted message went out with, without angle brackets.
constexpr ULONG PR_INTERNET_MESSAGE_ID = 0x1035001F;
constexpr ULONG PR_BODY = 0x1000001E;
constexpr ULONG PR_BODY_W = 0x1000001F;
constexpr ULONG PR_MESSAGE_CLASS = 0x001A001E;
constexpr ULONG PR_MESSAGE_CLASS_W = 0x001A001F;
constexpr ULONG PR_MSG_EDITOR_FORMAT = 0x59090003;
constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
constexpr ULONG PR_DISPLAY_NAME = 0x3001001E;
constexpr ULONG PR_DISPLAY_NAME_W = 0x3001001F;
constexpr ULONG PR_ADDRTYPE = 0x3002001E;
constexpr ULONG PR_ADDRTYPE_W = 0x3002001F;
constexpr ULONG PR_EMAIL_ADDRESS = 0x3003001E;
constexpr ULONG PR_EMAIL_ADDRESS_W = 0x3003001F;
constexpr ULONG PR_ENTRYID = 0x0FFF0102;
constexpr ULONG PR_ATTACH_DATA_BIN = 0x37010102;
constexpr ULONG PR_ATTACH_EXTENSION = 0x3703001E;
constexpr ULONG PR_ATTACH_FILENAME = 0x3704001E;
constexpr ULONG PR_ATTACH_METHOD = 0x37050003;
constexpr ULONG PR_ATTACH_LONG_FILENAME = 0x3707001E;
constexpr ULONG PR_ATTACH_PATHNAME = 0x3708001E;
constexpr ULONG PR_ATTACH_LONG_PATHNAME = 0x370D001E;
constexpr ULONG PR_IPM_OUTBOX_ENTRYID = 0x35E20102;
constexpr ULONG PR_IPM_SENTMAIL_ENTRYID = 0x35E40102;
constexpr ULONG PR_SENTMAIL_ENTRYID = 0x0E0A0102;
constexpr ULONG PR_DELETE_AFTER_SUBMIT = 0x0E01000B;
constexpr ULONG PR_DEFAULT_PROFILE = 0x3D04000B;
constexpr ULONG PR_DEFAULT_STORE = 0x3400000B;
constexpr ULONG PR_STORE_SUPPORT_MASK = 0x340D0003;

struct SBinary
{
    ULONG cb;
    uint8_t *lpb;
};

union PropValueData {
    int32_t l;
    uint16_t b;
    char *lpszA;
    char16_t *lpszW;
    SBinary bin;
    SCODE err;
};

struct SPropValue
{
    ULONG ulPropTag;
    ULONG dwAlignPad;
    PropValueData Value;
};

// Lists carry a count and a pointer to their elements (the host layout of the
// variable-length arrays).
struct SPropTagArray
{
    ULONG cValues;
    const ULONG *aulPropTag;
};

struct SPropProblem
{
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};

struct SPropProblemArray
{
    ULONG cProblem;
    SPropProblem *aProblem;
};

struct SRow
{
    ULONG ulAdrEntryPad;
    ULONG cValues;
    SPropValue *lpProps;
};

struct SRowSet
{
    ULONG cRows;
    SRow *aRow;
};

// An address list: each entry's property block is its own MAPIAllocateBuffer block,
// which ResolveName may free and replace.
struct ADRENTRY
{
    ULONG ulReserved1;
    ULONG cValues;
    SPropValue *rgPropVals;
};

struct ADRLIST
{
    ULONG cEntries;
    ADRENTRY *aEntries;
};

// Interface identifiers of this host's MAPI.
struct IID
{
    uint32_t value;
    friend bool operator==(const IID &, const IID &) = default;
};
using REFIID = const IID &;
inline constexpr IID IID_IUnknown { 0 };
inline constexpr IID IID_IMAPIProp { 1 };
inline constexpr IID IID_IMAPISession { 2 };
inline constexpr IID IID_IProfAdmin { 3 };
inline constexpr IID IID_IMAPITable { 4 };
inline constexpr IID IID_IAddrBook { 5 };
inline constexpr IID IID_IMsgStore { 6 };
inline constexpr IID IID_IMAPIFolder { 7 };
inline constexpr IID IID_IMessage { 8 };
inline constexpr IID IID_IAttachment { 9 };
inline constexpr IID IID_IStream { 10 };

class IUnknown
{
public:
    virtual HRESULT QueryInterface(REFIID iid, void **object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IStream : public IUnknown
{
public:
    virtual HRESULT Read(void *buffer, ULONG size, ULONG *read) = 0;
    virtual HRESULT Write(const void *buffer, ULONG size, ULONG *written) = 0;
    virtual HRESULT Commit(ULONG flags) = 0;
};

class IMAPITable : public IUnknown
{
public:
    virtual HRESULT SetColumns(const SPropTagArray *columns, ULONG flags) = 0;
    virtual HRESULT GetRowCount(ULONG flags, ULONG *count) = 0;
    // Reads up to rowCount rows from the cursor onward and advances it.
    virtual HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet **rows) = 0;
};

// What an object says of the last error or warning one of its calls answered; the texts
// are UTF-8. The caller frees it with MAPIFreeBuffer.
struct MAPIERROR
{
    ULONG ulVersion;
    char *lpszError;
    char *lpszComponent;
    ULONG ulLowLevelError;
    ULONG ulContext;
};

class IMAPIProp : public IUnknown
{
public:
    // The text of the last call that answered result; *error is null when there is none.
    virtual HRESULT GetLastError(HRESULT result, ULONG flags, MAPIERROR **error) = 0;
    // tags null: every property. Missing properties come back as PT_ERROR with
    // MAPI_E_NOT_FOUND and the call answers MAPI_W_ERRORS_RETURNED.
    virtual HRESULT GetProps(
        const SPropTagArray *tags, ULONG flags, ULONG *count, SPropValue **props)
        = 0;
    virtual HRESULT SetProps(ULONG count, const SPropValue *props, SPropProblemArray **problems)
        = 0;
    virtual HRESULT OpenProperty(
        ULONG tag, REFIID iid, ULONG interfaceOptions, ULONG flags, IUnknown **object)
        = 0;
    virtual HRESULT SaveChanges(ULONG flags) = 0;
};

class IProfAdmin : public IUnknown
{
public:
    // Columns PR_DISPLAY_NAME and PR_DEFAULT_PROFILE.
    virtual HRESULT GetProfileTable(ULONG flags, IMAPITable **table) = 0;
};

class IAddrBook : public IMAPIProp
{
public:
    virtual HRESULT ResolveName(ULONG_PTR uiParam, ULONG flags, const char *title, ADRLIST *list)
        = 0;
};

class IAttach : public IMAPIProp
{ };

class IMessage : public IMAPIProp
{
public:
    virtual HRESULT CreateAttach(
        const IID *iid, ULONG flags, ULONG *attachmentNumber, IAttach **attachment)
        = 0;
    virtual HRESULT ModifyRecipients(ULONG flags, const ADRLIST *list) = 0;
    virtual HRESULT SubmitMessage(ULONG flags) = 0;
};

class IMAPIFolder : public IMAPIProp
{
public:
    virtual HRESULT CreateMessage(const IID *iid, ULONG flags, IMessage **message) = 0;
};

class IMsgStore : public IMAPIProp
{
public:
    virtual HRESULT OpenEntry(ULONG entryIdSize, const uint8_t *entryId, const IID *iid,
        ULONG flags, ULONG *objectType, IUnknown **object)
        = 0;
};

class IMAPISession : public IUnknown
{
public:
    virtual HRESULT GetMsgStoresTable(ULONG flags, IMAPITable **table) = 0;
    virtual HRESULT OpenMsgStore(ULONG_PTR uiParam, ULONG entryIdSize, const uint8_t *entryId,
        const IID *iid, ULONG flags, IMsgStore **store)
        = 0;
    virtual HRESULT OpenAddressBook(
        ULONG_PTR uiParam, const IID *iid, ULONG flags, IAddrBook **addressBook)
        = 0;
    virtual HRESULT Logoff(ULONG_PTR uiParam, ULONG flags, ULONG reserved) = 0;
};

struct MAPIINIT_0
{
    ULONG ulVersion;
    ULONG ulFlags;
};
constexpr ULONG MAPI_INIT_VERSION = 0;

// Simple MAPI
constexpr ULONG SUCCESS_SUCCESS = 0;
constexpr ULONG MAPI_USER_ABORT = 1;
constexpr ULONG MAPI_E_FAILURE = 2;
constexpr ULONG MAPI_E_LOGIN_FAILURE = 3;
constexpr ULONG MAPI_E_INSUFFICIENT_MEMORY = 5;
constexpr ULONG MAPI_E_ATTACHMENT_NOT_FOUND = 11;
constexpr ULONG MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
constexpr ULONG MAPI_E_UNKNOWN_RECIPIENT = 14;
constexpr ULONG MAPI_E_BAD_RECIPTYPE = 15;
constexpr ULONG MAPI_E_INVALID_SESSION = 19;
constexpr ULONG MAPI_E_AMBIGUOUS_RECIPIENT = 21;
constexpr ULONG MAPI_E_NETWORK_FAILURE = 23;
constexpr ULONG MAPI_E_INVALID_RECIPS = 25;
constexpr ULONG MAPI_E_NOT_SUPPORTED = 26;

struct MapiRecipDesc
{
    ULONG ulReserved;
    ULONG ulRecipClass;
    char *lpszName;
    char *lpszAddress; // "SMTP:address" or a plain address
    ULONG ulEIDSize;
    void *lpEntryID;
};

struct MapiFileDesc
{
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    char *lpszPathName;
    char *lpszFileName;
    void *lpFileType;
};

struct MapiMessage
{
    ULONG ulReserved;
    char *lpszSubject;
    char *lpszNoteText;
    char *lpszMessageType;
    char *lpszDateReceived;
    char *lpszConversationID;
    ULONG flFlags;
    MapiRecipDesc *lpOriginator;
    ULONG nRecipCount;
    MapiRecipDesc *lpRecips;
    ULONG nFileCount;
    MapiFileDesc *lpFiles;
};

// The library's entry points, looked up by these names.
extern "C" {
using MAPIINITIALIZE = HRESULT (*)(void *init);
using MAPIUNINITIALIZE = void (*)();
using MAPILOGONEX = HRESULT (*)(ULONG_PTR uiParam, const char *profile, const char *password,
    ULONG flags, IMAPISession **session);
using MAPIADMINPROFILES = HRESULT (*)(ULONG flags, IProfAdmin **admin);
using MAPIALLOCATEBUFFER = SCODE (*)(ULONG size, void **buffer);
using MAPIALLOCATEMORE = SCODE (*)(ULONG size, void *root, void **buffer);
using MAPIFREEBUFFER = ULONG (*)(void *buffer);
using LPMAPILOGON = ULONG (*)(ULONG_PTR uiParam, const char *profile, const char *password,
    ULONG flags, ULONG reserved, LHANDLE *session);
using LPMAPILOGOFF = ULONG (*)(LHANDLE session, ULONG_PTR uiParam, ULONG flags, ULONG reserved);
using LPMAPIRESOLVENAME = ULONG (*)(LHANDLE session, ULONG_PTR uiParam, const char *name,
    ULONG flags, ULONG reserved, MapiRecipDesc **recipient);
using LPMAPISENDMAIL = ULONG (*)(
    LHANDLE session, ULONG_PTR uiParam, MapiMessage *message, ULONG flags, ULONG reserved);
}
