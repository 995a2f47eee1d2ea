// vfp::Database over the host file system: a database container, or a folder of free tables.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DatabaseContainer.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/PathMapping.h"

#include <QString>

#include <cctype>
#include <map>
#include <optional>
#include <set>

namespace vfp {

namespace {

bool EndsWithNoCase(const std::string &s, const std::string &suffix)
{
    return s.size() >= suffix.size()
        && AsciiUpper(s.substr(s.size() - suffix.size())) == AsciiUpper(suffix);
}

bool HasExtension(const std::string &path)
{
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// Long names from the container's Field rows, matched to header fields by their first ten
// characters (the header keeps the names cut to ten).
std::vector<std::string> MatchLongNames(
    const DbfTable &table, const std::vector<std::string> &longNames)
{
    std::vector<std::string> out(table.header().fields.size());
    std::vector<bool> used(longNames.size(), false);
    for (size_t i = 0; i < out.size(); ++i) {
        const std::string &shortName = table.header().fields[i].info.name;
        for (size_t k = 0; k < longNames.size(); ++k) {
            if (!used[k] && AsciiUpper(longNames[k].substr(0, 10)) == shortName) {
                used[k] = true;
                out[i] = longNames[k];
                break;
            }
        }
    }
    return out;
}

class DatabaseImpl final : public Database
{
public:
    DatabaseImpl(std::string folder, std::optional<DatabaseContainer> container)
        : m_folder(std::move(folder))
        , m_container(std::move(container))
    { }

    std::shared_ptr<Table> table(std::string_view name) override
    {
        const std::string key = AsciiUpper(name);
        if (const auto it = m_open.find(key); it != m_open.end())
            return it->second;
        std::vector<std::string> longNames;
        const std::string path = resolve(name, &longNames);
        if (path.empty())
            throw Error("File '" + std::string(name)
                + (HasExtension(std::string(name)) ? "" : ".dbf") + "' does not exist.");
        const auto slash = std::string(name).find_last_of("/\\");
        std::string tableName(slash == std::string::npos ? name : name.substr(slash + 1));
        auto t = DbfTable::openPath(path, tableName);
        if (!longNames.empty())
            t->setLongFieldNames(MatchLongNames(*t, longNames));
        if (m_ownTables.contains(key))
            t->markOwnTable();
        m_open[key] = t;
        return t;
    }

    bool tableExists(std::string_view name) const override
    {
        return !resolve(name, nullptr).empty();
    }

    void setDefaultFolder(const std::string &folderText) override
    {
        const std::string folder = MapHostPath(folderText);
        if (!IsDirectory(folder))
            throw Error("Invalid path or file name: " + folderText);
        m_default = folder;
    }

    std::string defaultFolder() const override { return m_default.empty() ? m_folder : m_default; }

    void createFreeTable(const std::string &name, const std::vector<NewField> &fields) override
    {
        for (const NewField &f : fields)
            if (f.name.size() > 10)
                throw Error("Field name " + f.name
                    + " is longer than 10 characters, which a free table cannot hold");
        std::string path = name;
        const bool hasFolder = name.find_first_of("/\\") != std::string::npos;
        if (!hasFolder)
            path = JoinPath(defaultFolder(), name);
        path = MapHostPath(path);
        if (!HasExtension(path))
            path += ".dbf";
        if (FileExists(path) || (!hasFolder && !resolveIn(defaultFolder(), name).empty()))
            throw Error("File '" + path + "' already exists");
        CreateTable(path, fields, TableOptions {});
        m_open.erase(AsciiUpper(name));
    }

    void createIndexTag(const std::string &tableName, const std::string &keyExpression,
        const std::string &tag) override
    {
        auto t = std::dynamic_pointer_cast<DbfTable>(table(tableName));
        if (!t)
            throw Error("Table " + tableName + " cannot be indexed");
        t->addIndexTag(AsciiUpper(tag), keyExpression);
        m_open.erase(AsciiUpper(tableName));
    }

    void closeAll() override { m_open.clear(); }

    void markOwnTable(std::string_view name) override
    {
        const std::string key = AsciiUpper(name);
        m_ownTables.insert(key);
        if (const auto it = m_open.find(key); it != m_open.end())
            if (auto t = std::dynamic_pointer_cast<DbfTable>(it->second))
                t->markOwnTable();
    }

private:
    // The host path of name.dbf inside folder (letter case ignored), or empty.
    static std::string resolveIn(const std::string &folder, std::string_view name)
    {
        std::string file(name);
        if (!HasExtension(file))
            file += ".dbf";
        const std::string path = MapHostPath(JoinPath(folder, file));
        return FileExists(path) ? path : std::string();
    }

    std::string resolve(std::string_view nameView, std::vector<std::string> *longNames) const
    {
        const std::string name(nameView);
        if (name.empty())
            return {};
        if (name.find_first_of("/\\") != std::string::npos) {
            std::string path = MapHostPath(name);
            if (!HasExtension(path) && !FileExists(path))
                path = MapHostPath(name + ".dbf");
            return FileExists(path) ? path : std::string();
        }
        if (m_container) {
            if (const ContainerMember *m = m_container->find(name)) {
                const std::string dbcFolder = ParentFolder(m_container->path());
                std::string path;
                if (!m->path.empty()) {
                    path = MapHostPath(JoinPath(dbcFolder, m->path));
                    if (!FileExists(path)) {
                        // A PATH that no longer fits: the file of that name beside the container.
                        std::string stored = m->path;
                        for (char &c : stored)
                            if (c == '\\')
                                c = '/';
                        const auto slash = stored.find_last_of('/');
                        path = resolveIn(dbcFolder,
                            slash == std::string::npos ? stored : stored.substr(slash + 1));
                    }
                }
                if (path.empty() || !FileExists(path))
                    path = resolveIn(dbcFolder, name);
                if (!path.empty()) {
                    if (longNames)
                        *longNames = m->fieldNames;
                    return path;
                }
            }
        }
        if (!m_default.empty()) {
            if (std::string path = resolveIn(m_default, name); !path.empty())
                return path;
        }
        return resolveIn(m_folder, name);
    }

    std::string m_folder;
    std::string m_default;
    std::optional<DatabaseContainer> m_container;
    std::map<std::string, std::shared_ptr<Table>> m_open;
    std::set<std::string> m_ownTables;
};

} // namespace

std::unique_ptr<Database> Database::open(const std::string &pathText)
{
    const std::string path = MapHostPath(pathText);
    if (IsDirectory(path))
        return std::make_unique<DatabaseImpl>(path, std::nullopt);
    if (!FileExists(path))
        throw Error("Cannot open " + pathText + ": no such database, folder or table");
    if (EndsWithNoCase(path, ".dbc"))
        return std::make_unique<DatabaseImpl>(ParentFolder(path), DatabaseContainer::read(path));
    // A free table's path: its folder, in which the table is found by name.
    DbfTable::openPath(path);
    return std::make_unique<DatabaseImpl>(ParentFolder(path), std::nullopt);
}

} // namespace vfp
