#include "sandbox/Catalogue.h"

#include "sandbox/ProductPicture.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <vector>

namespace varno::sandbox {
namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

void writeString(Writer& writer, const std::string& text)
{
    writer.String(text.c_str(), static_cast<rapidjson::SizeType>(text.size()));
}

// Prices go out as JSON numbers with their two decimals (1234.50), as the real service writes them.
void writeDecimal(Writer& writer, long long cents)
{
    const std::string text = decimal(cents);
    writer.RawValue(text.c_str(), text.size(), rapidjson::kNumberType);
}

void writeDimension(Writer& writer, const char* label, int millimetres)
{
    writer.StartObject();
    writer.Key("label");
    writer.String(label);
    writer.Key("value");
    writer.Int(millimetres);
    writer.Key("unit");
    writer.String("mm");
    writer.EndObject();
}

} // namespace

const std::vector<Product>& catalogue(const std::string& brand)
{
    static const std::map<std::string, std::vector<Product>> catalogues = {
        {"ferd",
         {{"FE-PVC-2V",
           "Fenêtre PVC 2 vantaux",
           ProductKind::Window,
           "Fenêtre PVC blanc, double vitrage 4/16/4",
           32000,
           21000,
           {{"OB", "Oscillo-battant", "Ouverture oscillo-battante sur le vantail principal", 6500},
            {"VIT-PH", "Vitrage phonique", "Vitrage 10/14/4 affaiblissement acoustique 36 dB", 9000},
            {"GR", "Grille d'aération", "Entrée d'air hygroréglable", 2500}}},
          {"FE-ALU-BC",
           "Baie coulissante aluminium",
           ProductKind::Window,
           "Baie coulissante 2 rails, aluminium laqué",
           54000,
           89000,
           {{"RAL", "Laquage RAL au choix", "Teinte RAL hors standard", 14000},
            {"SEC", "Serrure 3 points", "Fermeture de sécurité à 3 points", 8000}}},
          {"PO-ENT",
           "Porte d'entrée acier",
           ProductKind::Door,
           "Porte d'entrée acier isolante, serrure 5 points",
           61000,
           129000,
           {{"OCU", "Oculus vitré", "Oculus verre feuilleté", 12000},
            {"BAR", "Barre de tirage inox", "Barre 1 m", 9500}}}}},
        {"olka",
         {{"VR-ALU",
           "Volet roulant aluminium",
           ProductKind::Shutter,
           "Volet roulant lames aluminium 39 mm",
           21000,
           24000,
           {{"MOT", "Motorisation radio", "Moteur radio avec télécommande", 18000},
            {"SOL", "Motorisation solaire", "Moteur autonome, panneau solaire", 29000}}},
          {"VB-BOIS",
           "Volet battant bois",
           ProductKind::Shutter,
           "Volets battants pin, 2 vantaux",
           26000,
           31000,
           {{"PEINT", "Finition peinte", "Peinture microporeuse 2 couches", 7000}}},
          {"FE-BOIS",
           "Fenêtre bois 1 vantail",
           ProductKind::Window,
           "Fenêtre chêne, double vitrage",
           45000,
           38000,
           {{"OB", "Oscillo-battant", "Ouverture oscillo-battante", 6500}}}}},
        {"tamrix",
         {{"PO-GAR",
           "Porte de garage sectionnelle",
           ProductKind::Door,
           "Porte sectionnelle isolée 40 mm",
           24000,
           99000,
           {{"MOT", "Motorisation", "Moteur 800 N avec 2 télécommandes", 35000},
            {"HUB", "Hublots", "Série de 4 hublots", 16000}}},
          {"FE-ALU",
           "Fenêtre aluminium",
           ProductKind::Window,
           "Fenêtre aluminium à rupture de pont thermique",
           49000,
           42000,
           {{"VIT-SEC", "Vitrage retardateur d'effraction", "Vitrage 44.2/16/4", 11000}}},
          {"VR-PVC",
           "Volet roulant PVC",
           ProductKind::Shutter,
           "Volet roulant lames PVC",
           16000,
           19000,
           {{"MOT", "Motorisation filaire", "Moteur filaire avec inverseur", 12000}}}}},
    };
    static const std::vector<Product> none;
    const auto found = catalogues.find(brand);
    return found != catalogues.end() ? found->second : none;
}

const Product* findProduct(const std::string& brand, const std::string& code)
{
    for (const Product& product : catalogue(brand)) {
        if (product.code == code) {
            return &product;
        }
    }
    return nullptr;
}

BrandColours brandColours(const std::string& brand)
{
    if (brand == "olka") {
        return {"#d2561a", "#f4b32a"};
    }
    if (brand == "tamrix") {
        return {"#142c6e", "#3c8cd2"};
    }
    return {"#145a3c", "#78b450"};
}

std::string decimal(long long cents)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%s%lld.%02lld", cents < 0 ? "-" : "", std::llabs(cents) / 100,
                  std::llabs(cents) % 100);
    return text.data();
}

std::optional<std::string> invalidChoice(const std::string& brand, const Choice& choice)
{
    const Product* product = findProduct(brand, choice.product);
    if (product == nullptr) {
        return "Choisissez un produit du catalogue.";
    }
    if (choice.widthMm < 300 || choice.widthMm > 6000 || choice.heightMm < 300 || choice.heightMm > 3500) {
        return "Les dimensions doivent être comprises entre 300 et 6000 mm de largeur, 300 et 3500 mm de hauteur.";
    }
    if (choice.quantity < 1 || choice.quantity > 99) {
        return "La quantité doit être comprise entre 1 et 99.";
    }
    for (const std::string& code : choice.options) {
        if (std::none_of(product->options.begin(), product->options.end(),
                         [&](const Option& option) { return option.code == code; })) {
            return "Option inconnue pour ce produit : " + code + ".";
        }
    }
    return std::nullopt;
}

Prices priceOf(const Product& product, const Choice& choice)
{
    const long long areaCm2 = static_cast<long long>(choice.widthMm / 10) * (choice.heightMm / 10);
    long long unit = std::max(product.minimumPriceCents, product.pricePerSquareMeterCents * areaCm2 / 10000);
    bool motorised = false;
    for (const Option& option : product.options) {
        if (std::find(choice.options.begin(), choice.options.end(), option.code) != choice.options.end()) {
            unit += option.priceCents;
            motorised = motorised || option.code == "MOT" || option.code == "SOL";
        }
    }
    const long long quantity = choice.quantity;
    Prices prices{unit * quantity, unit * quantity * 68 / 100, 250 * quantity, std::nullopt, std::nullopt};
    if (product.kind != ProductKind::Shutter) {
        prices.ecoPartRepCents = 120 * quantity;
    }
    if (motorised) {
        prices.ecoPartDeeeCents = 30 * quantity;
    }
    return prices;
}

std::string choiceJson(const Choice& choice)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("product");
    writeString(writer, choice.product);
    writer.Key("width");
    writer.Int(choice.widthMm);
    writer.Key("height");
    writer.Int(choice.heightMm);
    writer.Key("quantity");
    writer.Int(choice.quantity);
    writer.Key("options");
    writer.StartArray();
    for (const std::string& option : choice.options) {
        writeString(writer, option);
    }
    writer.EndArray();
    writer.Key("location");
    writeString(writer, choice.location);
    writer.EndObject();
    return buffer.GetString();
}

Choice choiceFromJson(const std::string& json)
{
    rapidjson::Document document;
    document.Parse(json.c_str());
    Choice choice;
    if (!document.IsObject()) {
        return choice;
    }
    const auto text = [&](const char* name) {
        return document.HasMember(name) && document[name].IsString() ? std::string(document[name].GetString()) : "";
    };
    const auto number = [&](const char* name, int fallback) {
        return document.HasMember(name) && document[name].IsInt() ? document[name].GetInt() : fallback;
    };
    choice.product = text("product");
    choice.widthMm = number("width", 0);
    choice.heightMm = number("height", 0);
    choice.quantity = number("quantity", 1);
    choice.location = text("location");
    if (document.HasMember("options") && document["options"].IsArray()) {
        for (const auto& option : document["options"].GetArray()) {
            if (option.IsString()) {
                choice.options.emplace_back(option.GetString());
            }
        }
    }
    return choice;
}

std::string quotationRecordJson(long long id, const std::string& brand, const Choice& choice, bool indirectMode)
{
    const Product& product = *findProduct(brand, choice.product);
    const Prices prices = priceOf(product, choice);
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("id");
    writer.Int64(id);
    writer.Key("brand");
    writeString(writer, brand);
    writer.Key("indirectMode");
    writer.Bool(indirectMode);
    writer.Key("location");
    if (choice.location.empty()) {
        writer.Null();
    } else {
        writeString(writer, choice.location);
    }
    writer.Key("printImage");
    writer.StartObject();
    writer.Key("type");
    writer.String("image/png");
    writer.Key("value");
    writeString(writer, productPictureBase64(product.kind, brandColours(brand), choice.widthMm, choice.heightMm));
    writer.EndObject();

    writer.Key("product");
    writer.StartObject();
    writer.Key("code");
    writeString(writer, product.code);
    writer.Key("name");
    writeString(writer, product.name);
    writer.Key("quantity");
    writer.Int(choice.quantity);
    writer.Key("descriptions");
    writer.StartArray();
    writeString(writer, product.description);
    writeString(writer, "Fabrication française, garantie 10 ans");
    writer.EndArray();
    writer.Key("dimension1");
    writeDimension(writer, "Largeur", choice.widthMm);
    writer.Key("dimension2");
    writeDimension(writer, "Hauteur", choice.heightMm);
    writer.Key("options");
    writer.StartArray();
    for (const Option& option : product.options) {
        if (std::find(choice.options.begin(), choice.options.end(), option.code) != choice.options.end()) {
            writer.StartObject();
            writer.Key("code");
            writeString(writer, option.code);
            writer.Key("name");
            writeString(writer, option.name);
            writer.EndObject();
        }
    }
    writer.EndArray();
    writer.Key("optionDescriptions");
    writer.StartArray();
    for (const Option& option : product.options) {
        if (std::find(choice.options.begin(), choice.options.end(), option.code) != choice.options.end()) {
            writeString(writer, option.description);
        }
    }
    writer.EndArray();
    writer.Key("informations");
    writer.StartArray();
    writeString(writer, "Délai de fabrication : 4 semaines");
    writer.EndArray();
    writer.EndObject();

    writer.Key("pricing");
    writer.StartObject();
    writer.Key("currency");
    writer.String("EUR");
    writer.Key("totalPurchaseBasePrice");
    writeDecimal(writer, prices.publicCents);
    writer.Key("totalPurchasePrice");
    writeDecimal(writer, prices.purchaseCents);
    writer.Key("ecoTax");
    writeDecimal(writer, prices.ecoTaxCents);
    writer.Key("ecoPartREP");
    prices.ecoPartRepCents ? writeDecimal(writer, *prices.ecoPartRepCents) : static_cast<void>(writer.Null());
    writer.Key("ecoPartDEEE");
    prices.ecoPartDeeeCents ? writeDecimal(writer, *prices.ecoPartDeeeCents) : static_cast<void>(writer.Null());
    writer.EndObject();
    writer.EndObject();
    return buffer.GetString();
}

} // namespace varno::sandbox
