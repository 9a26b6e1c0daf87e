#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace varno::sandbox {

// A login session at the gateway: the configurator page and the retrieval document hang on its token.
struct Session {
    std::string token;
    std::string brand;
    std::string email;
    std::optional<long long> recordId; // the quotation record priced (or reopened) in this session
    bool validated = false;            // "Valider le chiffrage" was pressed in this session
};

// A quotation record as the configurator API serves it, with the state the order process reads.
struct Record {
    long long id = 0;
    std::string brand;
    std::string choice; // the person's choices on the configurator page (JSON), to reopen the quote
    std::string json;   // the record as the API answers it
    bool indirectMode = false;
    std::string checkCode;      // an order-process error the record carries (seeded); empty when none
    std::string orderReference; // set once ordered
};

// The sandbox's state in SQLite: accounts, gateway sessions, quotation records, orders. It survives a
// restart; the first start seeds it. Each change is one transaction. Safe to use from the server's
// threads; one store at a time per database (a second one throws).
class Store {
public:
    explicit Store(const std::string& databasePath);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    bool hasAccount(const std::string& brand, const std::string& email, const std::string& password);

    std::string openSession(const std::string& brand, const std::string& email, std::optional<long long> reopened);
    std::optional<Session> session(const std::string& token);

    // Stores a record (a new one, or the session's reopened one) and ties it to the session.
    long long saveRecord(const Session& session, const std::string& choice,
                         const std::function<std::string(long long id)>& recordJson);
    void addSeedRecords(const std::vector<Record>& records);
    std::optional<Record> record(long long id);
    bool isEmpty();

    // Creates an order for records that can all be ordered, marks them ordered and returns its
    // reference; nothing is changed when one cannot.
    std::optional<std::string> createOrder(const std::vector<long long>& recordIds, const std::string& documentNumber,
                                           const std::string& documentTitle, const std::string& documentDate);

private:
    void execute(const char* sql);
    int lock_ = -1;
    sqlite3* database_ = nullptr;
    std::mutex mutex_;
};

} // namespace varno::sandbox
