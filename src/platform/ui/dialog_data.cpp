#include "platform/ui/dialog_data.h"

#include <QLineEdit>
#include <QVariant>

#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

void FailField(QLineEdit* field, const std::string& text, int stringId)
{
    platform::MessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION, static_cast<uint32_t>(stringId));
    if (field) {
        field->setFocus();
        field->selectAll();
    }
}

bool CheckRange(QLineEdit* field, uint32_t number, uint32_t lower, uint32_t upper)
{
    if (number >= lower && number <= upper)
        return true;
    std::string text = res::FormatMessageText(res::LoadString(res::AFX_IDP_PARSE_INT_RANGE), std::to_string(lower),
                                              std::to_string(upper));
    FailField(field, text, res::AFX_IDP_PARSE_INT_RANGE);
    return false;
}

} // namespace

QWidget* GetDlgItem(const QWidget* dialog, int id)
{
    if (!dialog)
        return nullptr;
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        QVariant number = child->property("controlId");
        if (number.isValid() && number.toInt() == id)
            return child;
    }
    return nullptr;
}

void SetDlgItemUInt(const QWidget* dialog, int id, uint32_t value)
{
    SetDlgItemText(dialog, id, QString::number(value));
}

QString GetDlgItemText(const QWidget* dialog, int id)
{
    QWidget* item = GetDlgItem(dialog, id);
    if (!item)
        return {};
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        return edit->text();
    return item->property("text").toString();
}

void SetDlgItemText(const QWidget* dialog, int id, const QString& text)
{
    QWidget* item = GetDlgItem(dialog, id);
    if (!item)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        edit->setText(text);
    else
        item->setProperty("text", text);
}

bool ParseUnsigned(const QString& text, uint32_t& value)
{
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    uint64_t number = 0;
    for (QChar c : trimmed) {
        if (c < u'0' || c > u'9')
            return false;
        number = number * 10 + static_cast<uint64_t>(c.unicode() - u'0');
        if (number > UINT32_MAX)
            return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

bool DdxUInt(const QWidget* dialog, int id, uint32_t& value, uint32_t lower, uint32_t upper)
{
    auto* field = GetDlgControl<QLineEdit>(dialog, id);
    uint32_t number = 0;
    if (!field || !ParseUnsigned(field->text(), number)) {
        FailField(field, std::string(res::LoadString(res::AFX_IDP_PARSE_UINT)), res::AFX_IDP_PARSE_UINT);
        return false;
    }
    if (!CheckRange(field, number, lower, upper))
        return false;
    value = number;
    return true;
}

bool DdxByte(const QWidget* dialog, int id, uint8_t& value, uint8_t lower, uint8_t upper)
{
    auto* field = GetDlgControl<QLineEdit>(dialog, id);
    uint32_t number = 0;
    if (!field || !ParseUnsigned(field->text(), number) || number > 255) {
        FailField(field, std::string(res::LoadString(res::AFX_IDP_PARSE_BYTE)), res::AFX_IDP_PARSE_BYTE);
        return false;
    }
    if (!CheckRange(field, number, lower, upper))
        return false;
    value = static_cast<uint8_t>(number);
    return true;
}
