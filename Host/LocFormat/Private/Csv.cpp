#include "LocFormat/Csv.h"

namespace locformat
{
namespace
{
// Walks the text one field at a time; keeps the line count for messages.
class FCsvReader
{
public:
    FCsvReader(std::string_view text, const std::string& name) : Text(text), Name(name)
    {
        if (Text.starts_with("\xEF\xBB\xBF"))
        {
            Offset = 3;
        }
    }

    bool ReadAll(std::vector<FCsvRow>& rows, std::string& error)
    {
        rows.clear();
        while (Offset < Text.size())
        {
            FCsvRow row;
            row.Line = Line;
            if (!ReadRow(row.Fields, error))
            {
                return false;
            }
            const bool blank = row.Fields.size() == 1 && row.Fields[0].empty();
            if (!blank)
            {
                rows.push_back(std::move(row));
            }
        }
        return true;
    }

private:
    bool ReadRow(std::vector<std::string>& fields, std::string& error)
    {
        while (true)
        {
            std::string field;
            if (!ReadField(field, error))
            {
                return false;
            }
            fields.push_back(std::move(field));
            if (Offset >= Text.size())
            {
                return true;
            }
            const char separator = Text[Offset++];
            if (separator == ',')
            {
                continue;
            }
            if (separator == '\r' && Offset < Text.size() && Text[Offset] == '\n')
            {
                ++Offset;
            }
            ++Line;
            return true;
        }
    }

    bool ReadField(std::string& field, std::string& error)
    {
        if (Offset < Text.size() && Text[Offset] == '"')
        {
            return ReadQuotedField(field, error);
        }
        while (Offset < Text.size() && Text[Offset] != ',' && Text[Offset] != '\n' && Text[Offset] != '\r')
        {
            field += Text[Offset++];
        }
        return true;
    }

    bool ReadQuotedField(std::string& field, std::string& error)
    {
        const std::size_t startLine = Line;
        ++Offset;
        while (true)
        {
            if (Offset >= Text.size())
            {
                error = Name + ":" + std::to_string(startLine) + ": quoted field is not closed";
                return false;
            }
            const char c = Text[Offset++];
            if (c == '"')
            {
                if (Offset < Text.size() && Text[Offset] == '"')
                {
                    field += '"';
                    ++Offset;
                    continue;
                }
                break;
            }
            if (c == '\n')
            {
                ++Line;
            }
            field += c;
        }
        if (Offset < Text.size() && Text[Offset] != ',' && Text[Offset] != '\n' && Text[Offset] != '\r')
        {
            error = Name + ":" + std::to_string(Line) + ": unexpected text after a closing quote";
            return false;
        }
        return true;
    }

    std::string_view Text;
    const std::string& Name;
    std::size_t Offset = 0;
    std::size_t Line = 1;
};

bool NeedsQuotes(const std::string& field)
{
    return field.find_first_of(",\"\r\n") != std::string::npos || field.starts_with(' ') ||
           field.ends_with(' ');
}
} // namespace

bool ParseCsv(std::string_view text, const std::string& name, std::vector<FCsvRow>& rows, std::string& error)
{
    return FCsvReader(text, name).ReadAll(rows, error);
}

std::string FormatCsvRow(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
    {
        if (i > 0)
        {
            line += ',';
        }
        if (!NeedsQuotes(fields[i]))
        {
            line += fields[i];
            continue;
        }
        line += '"';
        for (const char c : fields[i])
        {
            line += c;
            if (c == '"')
            {
                line += '"';
            }
        }
        line += '"';
    }
    line += '\n';
    return line;
}
} // namespace locformat
