#include "sandbox/Store.h"

#include <sqlite3.h>

#include <QUuid>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace varno::sandbox {
namespace {

// One prepared statement, finalized on scope exit.
class Statement {
public:
    Statement(sqlite3* database, const char* sql)
    {
        if (sqlite3_prepare_v2(database, sql, -1, &statement_, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(database));
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text)
    {
        sqlite3_bind_text(statement_, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, long long number)
    {
        sqlite3_bind_int64(statement_, index, number);
        return *this;
    }
    Statement& bindNull(int index)
    {
        sqlite3_bind_null(statement_, index);
        return *this;
    }
    bool step()
    {
        const int result = sqlite3_step(statement_);
        if (result != SQLITE_ROW && result != SQLITE_DONE) {
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(sqlite3_db_handle(statement_)));
        }
        return result == SQLITE_ROW;
    }
    std::string text(int column) const
    {
        const auto* value = sqlite3_column_text(statement_, column);
        return value != nullptr ? reinterpret_cast<const char*>(value) : "";
    }
    long long number(int column) const { return sqlite3_column_int64(statement_, column); }
    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

// One transaction: committed by commit(), rolled back when left without it (a throw), so each request's
// writes land whole or not at all, even when the process is killed halfway.
class Transaction {
public:
    explicit Transaction(sqlite3* database) : database_(database) { run("BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (!committed_) {
            sqlite3_exec(database_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        run("COMMIT");
        committed_ = true;
    }

private:
    void run(const char* sql)
    {
        if (sqlite3_exec(database_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(database_));
        }
    }
    sqlite3* database_;
    bool committed_ = false;
};

// Holds an exclusive lock on a file beside the database for the store's life: two sandboxes writing
// one database would undo each other's state.
int lockBeside(const std::string& databasePath)
{
    const std::string lockPath = databasePath + ".lock";
    const int descriptor = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        throw std::runtime_error("cannot open " + lockPath + ": " + std::strerror(errno));
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        throw std::runtime_error("another sandbox is already using this data folder (" + lockPath + " is locked)");
    }
    return descriptor;
}

} // namespace

Store::Store(const std::string& databasePath) : lock_(lockBeside(databasePath))
{
    if (sqlite3_open(databasePath.c_str(), &database_) != SQLITE_OK) {
        const std::string reason = sqlite3_errmsg(database_);
        sqlite3_close(database_);
        ::close(lock_);
        throw std::runtime_error("cannot open " + databasePath + ": " + reason);
    }
    execute("PRAGMA journal_mode=WAL");
    execute("CREATE TABLE IF NOT EXISTS accounts (brand TEXT, email TEXT, password TEXT, PRIMARY KEY (brand, email))");
    execute("CREATE TABLE IF NOT EXISTS sessions (token TEXT PRIMARY KEY, brand TEXT, email TEXT, record_id INTEGER,"
            " validated INTEGER DEFAULT 0, created TEXT DEFAULT CURRENT_TIMESTAMP)");
    execute("CREATE TABLE IF NOT EXISTS records (id INTEGER PRIMARY KEY, brand TEXT, choice TEXT, json TEXT,"
            " indirect_mode INTEGER DEFAULT 0, check_code TEXT, order_reference TEXT)");
    execute("CREATE TABLE IF NOT EXISTS orders (reference TEXT PRIMARY KEY, record_ids TEXT, document_number TEXT,"
            " document_title TEXT, document_date TEXT, created TEXT DEFAULT CURRENT_TIMESTAMP)");
    execute("INSERT OR IGNORE INTO accounts VALUES"
            " ('ferd', 'demo.ferd@example.test', 'ferd-demo'),"
            " ('olka', 'demo.olka@example.test', 'olka-demo'),"
            " ('tamrix', 'demo.tamrix@example.test', 'tamrix-demo')");
}

Store::~Store()
{
    sqlite3_close(database_);
    ::close(lock_);
}

void Store::execute(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(database_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string reason = error != nullptr ? error : "";
        sqlite3_free(error);
        throw std::runtime_error("sqlite: " + reason);
    }
}

bool Store::hasAccount(const std::string& brand, const std::string& email, const std::string& password)
{
    std::lock_guard lock(mutex_);
    Statement query(database_, "SELECT 1 FROM accounts WHERE brand = ? AND email = ? AND password = ?");
    return query.bind(1, brand).bind(2, email).bind(3, password).step();
}

std::string Store::openSession(const std::string& brand, const std::string& email, std::optional<long long> reopened)
{
    std::lock_guard lock(mutex_);
    std::string token = QUuid::createUuid().toString(QUuid::Id128).toStdString();
    Statement insert(database_, "INSERT INTO sessions (token, brand, email, record_id) VALUES (?, ?, ?, ?)");
    insert.bind(1, token).bind(2, brand).bind(3, email);
    if (reopened) {
        insert.bind(4, *reopened);
    } else {
        insert.bindNull(4);
    }
    insert.step();
    return token;
}

std::optional<Session> Store::session(const std::string& token)
{
    std::lock_guard lock(mutex_);
    Statement query(database_, "SELECT token, brand, email, record_id, validated FROM sessions WHERE token = ?");
    if (!query.bind(1, token).step()) {
        return std::nullopt;
    }
    Session found{query.text(0), query.text(1), query.text(2), std::nullopt, query.number(4) != 0};
    if (!query.isNull(3)) {
        found.recordId = query.number(3);
    }
    return found;
}

long long Store::saveRecord(const Session& session, const std::string& choice,
                            const std::function<std::string(long long id)>& recordJson)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(database_);
    // The session as it stands now, in this transaction: two submits of the same page make one record.
    Statement current(database_, "SELECT record_id FROM sessions WHERE token = ?");
    long long id = current.bind(1, session.token).step() ? current.number(0) : 0;
    if (id == 0) {
        Statement insert(database_, "INSERT INTO records (brand, choice, json) VALUES (?, ?, '{}')");
        insert.bind(1, session.brand).bind(2, choice).step();
        id = sqlite3_last_insert_rowid(database_);
    }
    Statement update(database_, "UPDATE records SET choice = ?, json = ? WHERE id = ?");
    update.bind(1, choice).bind(2, recordJson(id)).bind(3, id).step();
    Statement link(database_, "UPDATE sessions SET record_id = ?, validated = 1 WHERE token = ?");
    link.bind(1, id).bind(2, session.token).step();
    transaction.commit();
    return id;
}

void Store::addSeedRecords(const std::vector<Record>& records)
{
    std::lock_guard lock(mutex_);
    Transaction transaction(database_);
    for (const Record& record : records) {
        Statement insert(database_, "INSERT INTO records (id, brand, choice, json, indirect_mode, check_code,"
                                    " order_reference) VALUES (?, ?, ?, ?, ?, ?, ?)");
        insert.bind(1, record.id).bind(2, record.brand).bind(3, record.choice).bind(4, record.json);
        insert.bind(5, static_cast<long long>(record.indirectMode));
        record.checkCode.empty() ? insert.bindNull(6) : insert.bind(6, record.checkCode);
        record.orderReference.empty() ? insert.bindNull(7) : insert.bind(7, record.orderReference);
        insert.step();
    }
    transaction.commit();
}

std::optional<Record> Store::record(long long id)
{
    std::lock_guard lock(mutex_);
    Statement query(database_, "SELECT id, brand, choice, json, indirect_mode, check_code, order_reference"
                               " FROM records WHERE id = ?");
    if (!query.bind(1, id).step()) {
        return std::nullopt;
    }
    return Record{query.number(0),      query.text(1), query.text(2), query.text(3),
                  query.number(4) != 0, query.text(5), query.text(6)};
}

bool Store::isEmpty()
{
    std::lock_guard lock(mutex_);
    Statement query(database_, "SELECT 1 FROM records LIMIT 1");
    return !query.step();
}

std::optional<std::string> Store::createOrder(const std::vector<long long>& recordIds,
                                              const std::string& documentNumber, const std::string& documentTitle,
                                              const std::string& documentDate)
{
    std::lock_guard lock(mutex_);
    if (recordIds.empty()) {
        return std::nullopt;
    }
    Transaction transaction(database_);
    std::string ids;
    for (const long long id : recordIds) {
        Statement query(database_, "SELECT 1 FROM records WHERE id = ? AND indirect_mode = 0 AND check_code IS NULL"
                                   " AND order_reference IS NULL");
        if (!query.bind(1, id).step()) {
            return std::nullopt;
        }
        ids += (ids.empty() ? "" : ",") + std::to_string(id);
    }
    Statement count(database_, "SELECT COUNT(*) FROM orders");
    count.step();
    std::array<char, 32> formatted{};
    std::snprintf(formatted.data(), formatted.size(), "CMD-2026-%06lld", 1000 + count.number(0) + 1);
    const std::string reference = formatted.data();
    Statement insert(database_, "INSERT INTO orders (reference, record_ids, document_number, document_title,"
                                " document_date) VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, reference).bind(2, ids).bind(3, documentNumber).bind(4, documentTitle).bind(5, documentDate).step();
    for (const long long id : recordIds) {
        Statement mark(database_, "UPDATE records SET order_reference = ? WHERE id = ?");
        mark.bind(1, reference).bind(2, id).step();
    }
    transaction.commit();
    return reference;
}

} // namespace varno::sandbox
