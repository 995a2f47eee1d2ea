#include "platform/mapi/MimeComposer.h"

#include <gmime/gmime.h>

#include <mutex>

namespace {

void initGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

// Owns one GObject reference.
template <class T> struct GRef
{
    T *ptr;
    explicit GRef(T *p)
        : ptr(p)
    { }
    ~GRef()
    {
        if (ptr)
            g_object_unref(ptr);
    }
    GRef(const GRef &) = delete;
    GRef &operator=(const GRef &) = delete;
};

void setContent(GMimePart *part, const QByteArray &bytes)
{
    GRef<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size())));
    GRef<GMimeDataWrapper> wrapper(
        g_mime_data_wrapper_new_with_stream(stream.ptr, GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, wrapper.ptr);
}

GMimeAddressType addressType(ULONG type)
{
    return type == MAPI_CC ? GMIME_ADDRESS_TYPE_CC : GMIME_ADDRESS_TYPE_TO;
}

} // namespace

QByteArray MimeTypeOf(const QString &fileName)
{
    const QString lower = fileName.toLower();
    if (lower.endsWith(QLatin1String(".pdf")))
        return "application/pdf";
    if (lower.endsWith(QLatin1String(".txt")))
        return "text/plain";
    if (lower.endsWith(QLatin1String(".csv")))
        return "text/csv";
    return "application/octet-stream";
}

QByteArray ComposeMime(const OutgoingMessage &m)
{
    initGMime();
    GRef<GMimeMessage> message(g_mime_message_new(TRUE));
    GMimeObject *top = GMIME_OBJECT(message.ptr);
    g_mime_message_add_mailbox(message.ptr, GMIME_ADDRESS_TYPE_FROM,
        m.senderName.toUtf8().constData(), m.senderAddress.toUtf8().constData());
    for (const OutgoingRecipient &r : m.recipients) {
        if (r.type == MAPI_BCC)
            continue;
        g_mime_message_add_mailbox(message.ptr, addressType(r.type),
            r.name == r.address ? nullptr : r.name.toUtf8().constData(),
            r.address.toUtf8().constData());
    }
    g_mime_message_set_subject(message.ptr, m.subject.toUtf8().constData(), "utf-8");
    const QDateTime date = m.date.isValid() ? m.date : QDateTime::currentDateTime();
    GDateTime *when = g_date_time_new_from_unix_utc(date.toSecsSinceEpoch());
    g_mime_message_set_date(message.ptr, when);
    g_date_time_unref(when);
    if (!m.messageId.isEmpty())
        g_mime_message_set_message_id(message.ptr, m.messageId.toUtf8().constData());
    if (m.priority > 0) {
        g_mime_object_set_header(top, "X-Priority", "1 (Highest)", nullptr);
        g_mime_object_set_header(top, "Priority", "urgent", nullptr);
        g_mime_object_set_header(top, "Importance", "high", nullptr);
    } else if (m.priority < 0) {
        g_mime_object_set_header(top, "X-Priority", "5 (Lowest)", nullptr);
        g_mime_object_set_header(top, "Priority", "non-urgent", nullptr);
    }

    // The text's own line ends become LF; the writer ends every line with CR LF.
    QString body = m.body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    GRef<GMimeTextPart> text(g_mime_text_part_new_with_subtype("plain"));
    setContent(GMIME_PART(text.ptr), body.toUtf8());
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(text.ptr), "charset", "utf-8");
    g_mime_part_set_content_encoding(GMIME_PART(text.ptr), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);

    GRef<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    if (m.attachments.isEmpty()) {
        g_mime_message_set_mime_part(message.ptr, GMIME_OBJECT(text.ptr));
    } else {
        g_mime_multipart_add(mixed.ptr, GMIME_OBJECT(text.ptr));
        for (const OutgoingAttachment &a : m.attachments) {
            const QByteArray type = MimeTypeOf(a.fileName);
            const qsizetype slash = type.indexOf('/');
            GRef<GMimePart> part(g_mime_part_new_with_type(
                type.left(slash).constData(), type.mid(slash + 1).constData()));
            setContent(part.ptr, a.data);
            g_mime_object_set_disposition(GMIME_OBJECT(part.ptr), "attachment");
            g_mime_part_set_filename(part.ptr, a.fileName.toUtf8().constData());
            g_mime_part_set_content_encoding(part.ptr, GMIME_CONTENT_ENCODING_BASE64);
            g_mime_multipart_add(mixed.ptr, GMIME_OBJECT(part.ptr));
        }
        g_mime_message_set_mime_part(message.ptr, GMIME_OBJECT(mixed.ptr));
    }

    GMimeFormatOptions *options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    g_mime_format_options_set_param_encoding_method(options, GMIME_PARAM_ENCODING_METHOD_RFC2231);
    GRef<GMimeStream> out(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(top, options, out.ptr);
    g_mime_format_options_free(options);
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.ptr));
    return QByteArray(reinterpret_cast<const char *>(bytes->data), qsizetype(bytes->len));
}
