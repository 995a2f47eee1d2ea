#pragma once

#include "mail/RwRecipients.h"
#include "platform/mapi/MapiDefs.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TRwMapiSessionImpl;

// Base of the objects reached from a session: holds one reference to a MAPI interface,
// released when the object goes or the session logs off.
class TRwMapiObject
{
public:
    virtual ~TRwMapiObject();
    TRwMapiObject(const TRwMapiObject &) = delete;
    TRwMapiObject &operator=(const TRwMapiObject &) = delete;

    void ReleaseInterface();
    IUnknown *Interface() const { return m_unknown; }
    virtual QString ClassName() const = 0;

protected:
    TRwMapiObject(TRwMapiSessionImpl *session, IUnknown *adopted);
    // The live interface; raises MAPI_E_INVALID_OBJECT once it is released.
    template <class I> I *Use(const char *operation) const
    {
        checkAlive(operation);
        return static_cast<I *>(m_unknown);
    }
    void checkAlive(const char *operation) const;
    // Raises the error of a failed call of this object.
    [[noreturn]] void Raise(const char *operation, HRESULT code) const;
    bool SimpleMode() const { return m_simple; }

private:
    IUnknown *m_unknown;
    bool m_simple;
};

// Reads or writes one property of an object by its tag (IRwMapiPropItem).
class TRwMapiPropItem
{
public:
    TRwMapiPropItem(IMAPIProp *object, ULONG tag);
    // Nothing when the property is missing.
    std::optional<QVariant> Value() const;
    HRESULT SetValue(const QVariant &value);

private:
    IMAPIProp *m_object;
    ULONG m_tag;
};

// A recipient row: its properties by tag (QVariant: int, bool, QString, QByteArray; an
// invalid QVariant for an error or an unsupported type).
struct TRwRecipientRow
{
    std::vector<std::pair<ULONG, QVariant>> Props;
    QVariant Get(ULONG tag) const;
};

class TRwMapiAddressBook;
class TRwMapiRecipientTable;
class TRwMapiMsgStore;
class TRwMapiFolder;
class TRwMapiMessage;
class TRwMapiAttachment;
using IRwMapiAddressbook = std::shared_ptr<TRwMapiAddressBook>;
using IRwMapiRecipientTable = std::shared_ptr<TRwMapiRecipientTable>;
using IRwMapiMsgStore = std::shared_ptr<TRwMapiMsgStore>;
using IRwMapiFolder = std::shared_ptr<TRwMapiFolder>;
using IRwMapiMessage = std::shared_ptr<TRwMapiMessage>;
using IRwMapiAttachment = std::shared_ptr<TRwMapiAttachment>;

class TRwMapiAddressBook final : public TRwMapiObject,
                                 public std::enable_shared_from_this<TRwMapiAddressBook>
{
public:
    TRwMapiAddressBook(TRwMapiSessionImpl *session, IAddrBook *adopted);
    QString ClassName() const override { return QStringLiteral("TRwMapiAddressBook"); }
    IRwMapiRecipientTable CreateRecipientTable();
    IAddrBook *AddrBook(const char *operation) const { return Use<IAddrBook>(operation); }
};

class TRwMapiRecipientTable
{
public:
    explicit TRwMapiRecipientTable(IRwMapiAddressbook addressBook);

    void Clear() { m_rows.clear(); }
    // Adds each recipient of a ";"-separated text (see ParseRecipients).
    void AddRecipients(const QString &text, ULONG type, bool resolveNow);
    int Count() const { return int(m_rows.size()); }
    const std::vector<TRwRecipientRow> &Rows() const { return m_rows; }
    std::vector<TRwRecipientRow> &Rows() { return m_rows; }
    const IRwMapiAddressbook &AddressBook() const { return m_addressBook; }

    // The rows as an address list of the loaded library (MAPIAllocateBuffer); only the
    // given columns when columns is set. Released with FreeAdrList.
    ADRLIST *BuildAdrList(const std::vector<ULONG> *columns = nullptr) const;
    static void FreeAdrList(ADRLIST *list);
    // Takes each entry's properties back (after a resolve).
    void ReadAdrList(const ADRLIST &list);

private:
    IRwMapiAddressbook m_addressBook;
    std::vector<TRwRecipientRow> m_rows;
    bool m_resolveNow = false;
};

class TRwMapiMsgStore final : public TRwMapiObject,
                              public std::enable_shared_from_this<TRwMapiMsgStore>
{
public:
    TRwMapiMsgStore(TRwMapiSessionImpl *session, IMsgStore *adopted, QString name);
    QString ClassName() const override { return QStringLiteral("TRwMapiMsgStore"); }
    const QString &Name() const { return m_name; }

    // type: 4 the Outbox, 8 Sent Items; access 1 read-write.
    IRwMapiFolder OpenFolderByType(int type, int access, int flag);
    // The store's entry id of a special folder, or nothing.
    std::optional<QByteArray> FolderEntryId(ULONG tag) const;
    bool SupportsUnicode() const;
    IMsgStore *Store(const char *operation) const { return Use<IMsgStore>(operation); }

private:
    TRwMapiSessionImpl *m_session;
    QString m_name;
};

class TRwMapiFolder final : public TRwMapiObject
{
public:
    TRwMapiFolder(TRwMapiSessionImpl *session, IMAPIFolder *adopted, IRwMapiMsgStore store);
    QString ClassName() const override { return QStringLiteral("TRwMapiFolder"); }
    IRwMapiMessage CreateMessage(const QString &messageClass);

private:
    TRwMapiSessionImpl *m_session;
    IRwMapiMsgStore m_store;
};

enum TRwMessageFormat { mfPlainText = 0, mfRTF = 1, mfHTML = 2 };
enum TRwSubmitKind { skKeepInSentItems = 1, skDeleteAfterSubmit = 2 };

class TRwMapiAttachment final : public TRwMapiObject
{
public:
    TRwMapiAttachment(TRwMapiSessionImpl *session, IAttach *adopted);
    QString ClassName() const override { return QStringLiteral("TRwMapiAttachment"); }
    IAttach *Attach(const char *operation) const { return Use<IAttach>(operation); }
};

// A message (TRwIPMNote for "IPM.Note"). In Simple mode it is assembled here and sent
// whole with MAPISendMail.
class TRwMapiMessage : public TRwMapiObject
{
public:
    TRwMapiMessage(TRwMapiSessionImpl *session, IMessage *adopted, IRwMapiMsgStore store);
    QString ClassName() const override { return QStringLiteral("TRwMapiMessage"); }

    void ModifyRecipients(ULONG flags, const IRwMapiRecipientTable &list);
    void SetPropText(ULONG tag, const QString &text);
    void SetBody(const QString &text, TRwMessageFormat format);
    IRwMapiAttachment AddFileAttachment(const QString &path);
    void SubmitMessage(TRwSubmitKind kind);
    // The Message-ID the message went out with, once submitted; empty before, and in Simple
    // mode, where the mail library gives none back.
    QString InternetMessageId() const;
    // What the mail library said of the last submit: why it failed, or the warning it was
    // sent with (e.g. no copy in the server's Sent folder). Empty when it said nothing.
    QString SubmitReport() const { return m_submitReport; }

private:
    void streamInto(IMAPIProp *object, ULONG tag, const QByteArray &bytes, const char *operation);
    void submitSimple();
    static QString LastErrorText(IMAPIProp *object, HRESULT result);

    TRwMapiSessionImpl *m_session;
    IRwMapiMsgStore m_store;
    std::vector<IRwMapiAttachment> m_attachments;
    // Simple mode
    QString m_subject;
    QString m_body;
    std::vector<TRwRecipientRow> m_recipients;
    QStringList m_files;
    QString m_submitReport;
};

class TRwIPMNote final : public TRwMapiMessage
{
public:
    using TRwMapiMessage::TRwMapiMessage;
    QString ClassName() const override { return QStringLiteral("TRwIPMNote"); }
};

// The 8.3 form of a file name and of each part of a path.
QString ShortFileName(const QString &name);
QString ShortPathName(const QString &path);

// Property values between the MAPI form and QVariant (see TRwRecipientRow).
QVariant PropVariant(const SPropValue &value);
// Writes v as the tag's type into out; texts and bytes are chained to root with the loaded
// library's MAPIAllocateMore. False when v does not fit the type.
bool FillProp(ULONG tag, const QVariant &v, SPropValue &out, void *root);
