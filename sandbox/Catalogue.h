#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno::sandbox {

struct Option {
    std::string code;
    std::string name;
    std::string description;
    long long priceCents; // per unit
};

enum class ProductKind { Window, Door, Shutter };

struct Product {
    std::string code;
    std::string name;
    ProductKind kind;
    std::string description;
    long long pricePerSquareMeterCents;
    long long minimumPriceCents;
    std::vector<Option> options;
};

// What the person chose on the configurator page.
struct Choice {
    std::string product;
    int widthMm = 0;
    int heightMm = 0;
    int quantity = 1;
    std::vector<std::string> options;
    std::string location;
};

// The catalogue of a brand ("ferd", "olka", "tamrix"); empty for any other key.
const std::vector<Product>& catalogue(const std::string& brand);
const Product* findProduct(const std::string& brand, const std::string& code);

// The brand's colours, for the page and the pictures.
struct BrandColours {
    const char* primary;
    const char* accent;
};
BrandColours brandColours(const std::string& brand);

// Prices of a choice, in cents: the public price and the dealer's purchase price (all units).
struct Prices {
    long long publicCents;
    long long purchaseCents;
    long long ecoTaxCents;
    std::optional<long long> ecoPartRepCents;
    std::optional<long long> ecoPartDeeeCents;
};
// Checks the choice against the product's limits; returns a French message when it is not valid.
std::optional<std::string> invalidChoice(const std::string& brand, const Choice& choice);
Prices priceOf(const Product& product, const Choice& choice);

// 123456 cents as "1234.56".
std::string decimal(long long cents);

// The choice as JSON, and back (to reopen a quote).
std::string choiceJson(const Choice& choice);
Choice choiceFromJson(const std::string& json);

// The quotation record as the configurator API serves it, with a picture of the product.
std::string quotationRecordJson(long long id, const std::string& brand, const Choice& choice, bool indirectMode);

} // namespace varno::sandbox
