// Finding objects and setting variables in a report template.
#include "reportmodel.h"

#include "layout.h"

#include <QDateTime>

void TPictureObject::SetPicture(const QImage& picture, const QByteArray& jpeg)
{
    FPicture = picture;
    FJpeg = picture.isNull() ? QByteArray() : jpeg;
}

TReport::TReport() = default;
TReport::~TReport() = default;

TReportObject* TReport::FindObject(const QString& name) const
{
    for (const auto& page : Pages)
        for (const auto& band : page->Bands)
            for (const auto& object : band->Objects)
                if (object->Name == name)
                    return object.get();
    return nullptr;
}

namespace {
template <class T>
T* FindOfKind(const TReport& report, const QString& name, TObjectKind kind)
{
    TReportObject* object = report.FindObject(name);
    return object && object->Kind() == kind ? static_cast<T*>(object) : nullptr;
}
} // namespace

TTextObject* TReport::FindText(const QString& name) const
{
    return FindOfKind<TTextObject>(*this, name, TObjectKind::Text);
}

TPictureObject* TReport::FindPicture(const QString& name) const
{
    return FindOfKind<TPictureObject>(*this, name, TObjectKind::Picture);
}

TLineObject* TReport::FindLine(const QString& name) const
{
    return FindOfKind<TLineObject>(*this, name, TObjectKind::Line);
}

TReportBand* TReport::FindBand(const QString& name) const
{
    for (const auto& page : Pages)
        for (const auto& band : page->Bands)
            if (band->Name == name)
                return band.get();
    return nullptr;
}

const TReportVariable* TReport::FindVariable(const QString& name) const
{
    for (const auto& variable : Variables)
        if (variable.Name == name)
            return &variable;
    return nullptr;
}

void TReport::SetVariable(const QString& name, const TReportValue& value)
{
    for (auto& variable : Variables)
        if (variable.Name == name) {
            variable.Value = value;
            return;
        }
    Variables.push_back({name, QString(), value});
}

void TReport::Build(TDateTime now)
{
    FPrepared.reset();
    FPrepared = std::make_unique<TPreparedReport>(LayOutReport(*this, now));
}

void TReport::Build()
{
    Build(CurrentDateTime());
}

void TReport::ClearPrepared()
{
    FPrepared.reset();
}

TDateTime CurrentDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}
