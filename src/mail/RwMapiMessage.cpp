#include "mail/RwMapiErrors.h"
#include "mail/RwMapiLibrary.h"
#include "mail/RwMapiObjects.h"
#include "mail/RwMapiSession.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kImpl = QStringLiteral("TRwMapiSessionImpl");
constexpr qsizetype kBlock = 1024;

// The columns a resolved recipient is reduced to when the full row is refused.
const std::vector<ULONG> kRecipientColumns
    = { PR_RECIPIENT_TYPE, PR_DISPLAY_NAME, PR_ADDRTYPE, PR_EMAIL_ADDRESS, PR_ENTRYID };

bool shortNameCharacter(QChar c)
{
    return (c.isLetterOrNumber() && c.unicode() < 128)
        || QStringLiteral("!#$%&'()-@^_`{}~").contains(c);
}

} // namespace

QString ShortFileName(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot + 1) : QString();
    const bool fits = !base.isEmpty() && base.size() <= 8 && ext.size() <= 3
        && std::all_of(base.begin(), base.end(), shortNameCharacter)
        && std::all_of(ext.begin(), ext.end(), shortNameCharacter);
    if (fits)
        return name;
    QString shortBase;
    for (QChar c : base)
        if (shortNameCharacter(c))
            shortBase += c.toUpper();
    QString shortExt;
    for (QChar c : ext)
        if (shortNameCharacter(c) && shortExt.size() < 3)
            shortExt += c.toUpper();
    shortBase = shortBase.left(6) + QStringLiteral("~1");
    return shortExt.isEmpty() ? shortBase : shortBase + QLatin1Char('.') + shortExt;
}

QString ShortPathName(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    QStringList shortParts;
    for (const QString &part : parts)
        shortParts << (part.isEmpty() ? part : ShortFileName(part));
    return shortParts.join(QLatin1Char('/'));
}

IRwMapiAddressbook TRwMapiSessionV3::GetAddressBook(bool noDialog)
{
    TRwMapiSessionImpl &impl = Impl();
    if (!impl.LoggedOn())
        RaiseMapiError(kImpl, QStringLiteral("GetAddressBook"), MAPI_E_NOT_INITIALIZED);
    if (impl.Mode() == TRwMapiMode::Simple)
        return std::make_shared<TRwMapiAddressBook>(&impl, nullptr);
    IAddrBook *book = nullptr;
    const HRESULT hr
        = impl.Session()->OpenAddressBook(UIWindow(), nullptr, noDialog ? AB_NO_DIALOG : 0, &book);
    if ((hr != S_OK && hr != MAPI_W_ERRORS_RETURNED) || !book)
        RaiseMapiError(kImpl, QStringLiteral("GetAddressBook"), hr != S_OK ? hr : E_FAIL);
    auto result = std::make_shared<TRwMapiAddressBook>(&impl, book);
    impl.Track(result);
    return result;
}

HRESULT TRwMapiSessionV3::ResolveNames(
    const IRwMapiRecipientTable &list, bool noDialog, bool raiseErrors, const QString &title)
{
    TRwMapiSessionImpl &impl = Impl();
    const QString operation = QStringLiteral("ResolveNames");
    if (!impl.LoggedOn())
        RaiseMapiError(kImpl, operation, MAPI_E_NOT_INITIALIZED);
    if (impl.Mode() == TRwMapiMode::Simple) {
        auto resolve = RwMapiFunction<LPMAPIRESOLVENAME>("MAPIResolveName");
        auto freeBuffer = RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer");
        for (TRwRecipientRow &row : list->Rows()) {
            const QByteArray name = row.Get(PR_EMAIL_ADDRESS).isValid()
                ? row.Get(PR_EMAIL_ADDRESS).toString().toUtf8()
                : row.Get(PR_DISPLAY_NAME).toString().toUtf8();
            MapiRecipDesc *desc = nullptr;
            const ULONG code = resolve(impl.SimpleHandle(), UIWindow(), name.constData(),
                noDialog ? 0 : MAPI_DIALOG, 0, &desc);
            if (code != SUCCESS_SUCCESS) {
                if (!raiseErrors)
                    return HRESULT(code);
                if (code == MAPI_USER_ABORT)
                    throw EMAPI_USER_CANCEL(SimpleMapiErrorText(code));
                throw ERwSimpleMapiException(code);
            }
            QString address = QString::fromUtf8(desc->lpszAddress ? desc->lpszAddress : "");
            if (address.startsWith(QLatin1String("SMTP:"), Qt::CaseInsensitive))
                address = address.mid(5);
            const QVariant type = row.Get(PR_RECIPIENT_TYPE);
            row.Props = { { PR_RECIPIENT_TYPE, type },
                { PR_DISPLAY_NAME, QString::fromUtf8(desc->lpszName ? desc->lpszName : "") },
                { PR_ADDRTYPE, QStringLiteral("SMTP") }, { PR_EMAIL_ADDRESS, address } };
            freeBuffer(desc);
        }
        return S_OK;
    }
    IAddrBook *book = list->AddressBook()->AddrBook("ResolveNames");
    const QByteArray caption = title.toUtf8();
    ULONG flags = (noDialog ? 0 : MAPI_DIALOG) | (LogonInfo.UseUniCode ? MAPI_UNICODE : 0);
    ADRLIST *adr = list->BuildAdrList();
    HRESULT hr = book->ResolveName(UIWindow(), flags, caption.constData(), adr);
    if (hr == MAPI_E_BAD_CHARWIDTH && (flags & MAPI_UNICODE)) {
        flags &= ~MAPI_UNICODE;
        hr = book->ResolveName(UIWindow(), flags, caption.constData(), adr);
    }
    if (hr == S_OK)
        list->ReadAdrList(*adr);
    TRwMapiRecipientTable::FreeAdrList(adr);
    if (hr != S_OK && raiseErrors)
        RaiseMapiError(kImpl, operation, hr);
    return hr;
}

IRwMapiMsgStore TRwMapiSessionV3::GetDefaultMsgStore(int access)
{
    TRwMapiSessionImpl &impl = Impl();
    const QString operation = QStringLiteral("GetDefaultMsgStore");
    if (!impl.LoggedOn())
        RaiseMapiError(kImpl, operation, MAPI_E_NOT_INITIALIZED);
    if (impl.Mode() == TRwMapiMode::Simple)
        return std::make_shared<TRwMapiMsgStore>(
            &impl, nullptr, QStringLiteral("Default Message Store"));
    IMAPISession *session = impl.Session();
    IMAPITable *table = nullptr;
    HRESULT hr = session->GetMsgStoresTable(0, &table);
    if (hr != S_OK)
        RaiseMapiError(kImpl, operation, hr);
    const ULONG tags[] = { PR_ENTRYID, PR_DEFAULT_STORE, PR_DISPLAY_NAME };
    const SPropTagArray columns { 3, tags };
    SRowSet *rows = nullptr;
    hr = table->SetColumns(&columns, 0);
    if (hr == S_OK)
        hr = table->QueryRows(0x7FFFFFFF, 0, &rows);
    table->Release();
    if (hr != S_OK)
        RaiseMapiError(kImpl, operation, hr);
    QByteArray entryId;
    QString name;
    for (ULONG r = 0; r < rows->cRows; ++r) {
        const SRow &row = rows->aRow[r];
        if (row.cValues == 3 && PropType(row.lpProps[1].ulPropTag) == PT_BOOLEAN
            && row.lpProps[1].Value.b && PropType(row.lpProps[0].ulPropTag) == PT_BINARY) {
            entryId = PropVariant(row.lpProps[0]).toByteArray();
            name = PropVariant(row.lpProps[2]).toString();
            break;
        }
    }
    RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer")(rows);
    if (entryId.isEmpty())
        RaiseMapiError(kImpl, operation, MAPI_E_NOT_FOUND);

    ULONG flags = access == 1 ? MDB_WRITE : (access == 2 ? MAPI_BEST_ACCESS : 0);
    if (LogonInfo.NoMail)
        flags |= MDB_NO_MAIL;
    if (UseOnlineStore)
        flags |= MDB_ONLINE;
    if (!(LogonInfo.LogonFlags() & MAPI_LOGON_UI))
        flags |= MDB_NO_DIALOG;
    auto open = [&](ULONG f, IMsgStore **store) {
        return session->OpenMsgStore(UIWindow(), ULONG(entryId.size()),
            reinterpret_cast<const uint8_t *>(entryId.constData()), &IID_IMsgStore, f, store);
    };
    IMsgStore *store = nullptr;
    hr = open(flags, &store);
    if (hr == MAPI_E_UNKNOWN_FLAGS && (flags & MDB_ONLINE))
        hr = open(flags & ~MDB_ONLINE, &store);
    if (hr != S_OK || !store)
        RaiseMapiError(kImpl, operation, hr != S_OK ? hr : E_FAIL);
    auto result = std::make_shared<TRwMapiMsgStore>(&impl, store, name);
    impl.Track(result);
    return result;
}

IRwMapiMessage TRwMapiFolder::CreateMessage(const QString &messageClass)
{
    checkAlive("CreateMessage");
    const bool note = messageClass == QLatin1String("IPM.Note");
    auto make = [&](IMessage *message) -> IRwMapiMessage {
        if (note)
            return std::make_shared<TRwIPMNote>(m_session, message, m_store);
        return std::make_shared<TRwMapiMessage>(m_session, message, m_store);
    };
    if (SimpleMode())
        return make(nullptr);
    IMessage *message = nullptr;
    const HRESULT hr = Use<IMAPIFolder>("CreateMessage")->CreateMessage(nullptr, 0, &message);
    if (hr != S_OK || !message)
        Raise("CreateMessage", hr != S_OK ? hr : E_FAIL);
    IRwMapiMessage result = make(message);
    m_session->Track(result);
    const HRESULT set = TRwMapiPropItem(message, PR_MESSAGE_CLASS).SetValue(messageClass);
    if (set != S_OK) {
        result->ReleaseInterface();
        Raise("CreateMessage", set);
    }
    return result;
}

TRwMapiAttachment::TRwMapiAttachment(TRwMapiSessionImpl *session, IAttach *adopted)
    : TRwMapiObject(session, adopted)
{ }

TRwMapiMessage::TRwMapiMessage(
    TRwMapiSessionImpl *session, IMessage *adopted, IRwMapiMsgStore store)
    : TRwMapiObject(session, adopted)
    , m_session(session)
    , m_store(std::move(store))
{ }

void TRwMapiMessage::ModifyRecipients(ULONG flags, const IRwMapiRecipientTable &list)
{
    checkAlive("ModifyRecipients");
    if (!list || list->Count() == 0)
        return;
    if (SimpleMode()) {
        if (!(flags & MODRECIP_ADD))
            m_recipients.clear();
        m_recipients.insert(m_recipients.end(), list->Rows().begin(), list->Rows().end());
        return;
    }
    IMessage *message = Use<IMessage>("ModifyRecipients");
    ADRLIST *full = list->BuildAdrList();
    HRESULT hr = message->ModifyRecipients(flags, full);
    TRwMapiRecipientTable::FreeAdrList(full);
    if (hr == E_INVALIDARG) {
        ADRLIST *reduced = list->BuildAdrList(&kRecipientColumns);
        hr = message->ModifyRecipients(flags, reduced);
        TRwMapiRecipientTable::FreeAdrList(reduced);
    }
    if (hr != S_OK)
        Raise("ModifyRecipients", hr);
}

void TRwMapiMessage::SetPropText(ULONG tag, const QString &text)
{
    checkAlive("SetPropText");
    if (SimpleMode()) {
        if (PropId(tag) == PropId(PR_SUBJECT))
            m_subject = text;
        return; // Simple MAPI messages carry no other properties
    }
    QVariant value;
    switch (PropType(tag)) {
    case PT_LONG: {
        bool ok = false;
        value = text.trimmed().toInt(&ok);
        if (!ok)
            Raise("SetPropText", E_INVALIDARG);
        break;
    }
    case PT_BOOLEAN:
        value = text.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
            || text.trimmed().toInt() != 0;
        break;
    case PT_BINARY:
        value = text.toUtf8();
        break;
    default:
        value = text;
    }
    const HRESULT hr = TRwMapiPropItem(Use<IMessage>("SetPropText"), tag).SetValue(value);
    if (hr != S_OK)
        Raise("SetPropText", hr);
}

void TRwMapiMessage::streamInto(
    IMAPIProp *object, ULONG tag, const QByteArray &bytes, const char *operation)
{
    IUnknown *unknown = nullptr;
    HRESULT hr = object->OpenProperty(tag, IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, &unknown);
    if (hr != S_OK || !unknown)
        Raise(operation, hr != S_OK ? hr : E_FAIL);
    auto *stream = static_cast<IStream *>(unknown);
    for (qsizetype at = 0; at < bytes.size() && hr == S_OK; at += kBlock) {
        const ULONG size = ULONG(std::min(kBlock, bytes.size() - at));
        ULONG written = 0;
        hr = stream->Write(bytes.constData() + at, size, &written);
        if (hr == S_OK && written != size)
            hr = MAPI_E_CORRUPT_DATA;
    }
    if (hr == S_OK)
        hr = stream->Commit(0);
    stream->Release();
    if (hr != S_OK)
        Raise(operation, hr);
}

void TRwMapiMessage::SetBody(const QString &text, TRwMessageFormat format)
{
    checkAlive("SetBody");
    if (text.isEmpty())
        return;
    const QString start = text.trimmed().left(5).toLower();
    if (format == mfPlainText && start == QLatin1String("{\\rtf"))
        Raise("SetBody", E_INVALIDARG); // a plain-text body must not be RTF
    if (format != mfPlainText)
        Raise("SetBody", MAPI_E_NO_SUPPORT);
    if (SimpleMode()) {
        m_body = text;
        return;
    }
    IMessage *message = Use<IMessage>("SetBody");
    const HRESULT hr = TRwMapiPropItem(message, PR_MSG_EDITOR_FORMAT).SetValue(1);
    if (hr != S_OK)
        Raise("SetBody", hr);
    if (m_store && m_store->SupportsUnicode())
        streamInto(message, PR_BODY_W,
            QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2), "SetBody");
    else
        streamInto(message, PR_BODY, text.toUtf8(), "SetBody");
}

IRwMapiAttachment TRwMapiMessage::AddFileAttachment(const QString &path)
{
    checkAlive("AddFileAttachment");
    const QFileInfo info(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Raise("AddFileAttachment", MAPI_E_NOT_FOUND);
    if (SimpleMode()) {
        m_files << info.absoluteFilePath();
        return std::make_shared<TRwMapiAttachment>(m_session, nullptr);
    }
    IAttach *attach = nullptr;
    ULONG number = 0;
    HRESULT hr = Use<IMessage>("AddFileAttachment")->CreateAttach(nullptr, 0, &number, &attach);
    if (hr != S_OK || !attach)
        Raise("AddFileAttachment", hr != S_OK ? hr : E_FAIL);
    auto result = std::make_shared<TRwMapiAttachment>(m_session, attach);
    m_session->Track(result);
    m_attachments.push_back(result);

    auto set = [&](ULONG tag, const QVariant &value) {
        const HRESULT r = TRwMapiPropItem(attach, tag).SetValue(value);
        if (r != S_OK)
            Raise("AddFileAttachment", r);
    };
    set(PR_ATTACH_METHOD, int(ATTACH_BY_VALUE));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Raise("AddFileAttachment", MAPI_E_CORRUPT_DATA);
    streamInto(attach, PR_ATTACH_DATA_BIN, data, "AddFileAttachment");
    const QString name = info.fileName();
    const QString suffix = info.suffix();
    set(PR_DISPLAY_NAME, info.completeBaseName());
    set(PR_ATTACH_LONG_FILENAME, name);
    set(PR_ATTACH_FILENAME, ShortFileName(name));
    set(PR_ATTACH_EXTENSION, suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    set(PR_ATTACH_LONG_PATHNAME, info.absoluteFilePath());
    set(PR_ATTACH_PATHNAME, ShortPathName(info.absoluteFilePath()));
    hr = attach->SaveChanges(KEEP_OPEN_READWRITE);
    if (hr != S_OK)
        Raise("AddFileAttachment", hr);
    return result;
}

void TRwMapiMessage::SubmitMessage(TRwSubmitKind kind)
{
    checkAlive("SubmitMessage");
    if (SimpleMode()) {
        submitSimple();
        return;
    }
    IMessage *message = Use<IMessage>("SubmitMessage");
    if (kind == skKeepInSentItems) {
        if (const auto sent
            = m_store ? m_store->FolderEntryId(PR_IPM_SENTMAIL_ENTRYID) : std::nullopt) {
            const HRESULT hr = TRwMapiPropItem(message, PR_SENTMAIL_ENTRYID).SetValue(*sent);
            if (hr != S_OK)
                Raise("SubmitMessage", hr);
        }
    } else if (kind == skDeleteAfterSubmit) {
        const HRESULT hr = TRwMapiPropItem(message, PR_DELETE_AFTER_SUBMIT).SetValue(true);
        if (hr != S_OK)
            Raise("SubmitMessage", hr);
    }
    const HRESULT hr = message->SubmitMessage(FORCE_SUBMIT);
    m_submitReport = LastErrorText(message, hr);
    // A warning (the message went, something beside it did not) is no failure.
    if (hr < 0)
        Raise("SubmitMessage", hr);
}

QString TRwMapiMessage::LastErrorText(IMAPIProp *object, HRESULT result)
{
    if (result == S_OK)
        return {};
    MAPIERROR *error = nullptr;
    if (object->GetLastError(result, 0, &error) != S_OK || !error)
        return {};
    const QString text = QString::fromUtf8(error->lpszError ? error->lpszError : "");
    RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer")(error);
    return text;
}

QString TRwMapiMessage::InternetMessageId() const
{
    if (SimpleMode() || !Interface())
        return {};
    const std::optional<QVariant> id
        = TRwMapiPropItem(Use<IMessage>("InternetMessageId"), PR_INTERNET_MESSAGE_ID).Value();
    return id ? id->toString() : QString();
}

void TRwMapiMessage::submitSimple()
{
    std::vector<QByteArray> texts; // keeps the UTF-8 texts alive for the call
    auto keep = [&texts](const QString &text) {
        texts.push_back(text.toUtf8());
        return texts.back().data();
    };
    texts.reserve(4 + 2 * m_recipients.size() + 2 * size_t(m_files.size()));
    std::vector<MapiRecipDesc> recipients(m_recipients.size());
    for (size_t i = 0; i < m_recipients.size(); ++i) {
        const TRwRecipientRow &row = m_recipients[i];
        recipients[i] = MapiRecipDesc {};
        recipients[i].ulRecipClass = ULONG(row.Get(PR_RECIPIENT_TYPE).toInt());
        recipients[i].lpszName = keep(row.Get(PR_DISPLAY_NAME).toString());
        const QString address = row.Get(PR_EMAIL_ADDRESS).toString();
        recipients[i].lpszAddress
            = address.isEmpty() ? nullptr : keep(QStringLiteral("SMTP:") + address);
    }
    std::vector<MapiFileDesc> files(size_t(m_files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        files[i] = MapiFileDesc {};
        files[i].nPosition = 0xFFFFFFFFu;
        files[i].lpszPathName = keep(m_files[qsizetype(i)]);
        files[i].lpszFileName = keep(QFileInfo(m_files[qsizetype(i)]).fileName());
    }
    MapiMessage message {};
    message.lpszSubject = keep(m_subject);
    message.lpszNoteText = keep(m_body);
    message.nRecipCount = ULONG(recipients.size());
    message.lpRecips = recipients.data();
    message.nFileCount = ULONG(files.size());
    message.lpFiles = files.data();
    if (recipients.empty())
        throw ERwSimpleMapiException(MAPI_E_INVALID_RECIPS);
    const ULONG code = RwMapiFunction<LPMAPISENDMAIL>("MAPISendMail")(
        m_session->SimpleHandle(), m_session->Owner().UIWindow(), &message, 0, 0);
    if (code == MAPI_USER_ABORT)
        throw EMAPI_USER_CANCEL(SimpleMapiErrorText(code));
    if (code != SUCCESS_SUCCESS)
        throw ERwSimpleMapiException(code);
}
