#include "pricing/QuoteMapping.h"

#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "foundation/XmlText.h"
#include "net/HttpText.h"
#include "pricing/ProductImage.h"

#include <array>

namespace varno {
namespace {

// The value text of a member, or empty when it is absent.
std::string textOf(const JsonValue& object, std::string_view name)
{
    const JsonValue* member = object.member(name);
    return member != nullptr ? member->text() : std::string();
}

std::string nullAsEmpty(const std::string& text)
{
    return text == "null" ? std::string() : text;
}

const JsonValue* objectMember(const JsonValue& parent, std::string_view name)
{
    const JsonValue* member = parent.member(name);
    return member != nullptr ? &member->expectObject("« " + std::string(name) + " »") : nullptr;
}

const JsonValue* arrayMember(const JsonValue& parent, std::string_view name)
{
    const JsonValue* member = parent.member(name);
    return member != nullptr ? &member->expectArray("« " + std::string(name) + " »") : nullptr;
}

void appendDimension(std::string& detail, const JsonValue& dimension)
{
    detail += textOf(dimension, "label");
    for (const char* part : {"value", "unit"}) {
        if (const JsonValue* member = dimension.member(part)) {
            detail += " " + member->text();
        }
    }
    detail += '\n';
}

} // namespace

std::string readProjectId(const std::string& retrievalDocument)
{
    const pugi::xml_document document = parseXml(retrievalDocument, "Le document de récupération");
    return elementText(document.child("Configurateur"), "Project");
}

std::string detailText(const JsonValue& product)
{
    std::string detail;
    if (const JsonValue* descriptions = arrayMember(product, "descriptions")) {
        if (!descriptions->elements().empty()) {
            detail += descriptions->elements().front().text() + '\n';
        }
        detail += '\n';
    }
    for (const char* name : {"dimension1", "dimension2"}) {
        if (const JsonValue* dimension = objectMember(product, name)) {
            appendDimension(detail, *dimension);
        }
    }
    if (const JsonValue* options = arrayMember(product, "options")) {
        for (const JsonValue& option : options->elements()) {
            if (const JsonValue* name = option.expectObject("un élément de « options »").member("name")) {
                detail += name->text() + '\n';
            }
        }
        detail += '\n';
    }
    for (const char* name : {"optionDescriptions", "informations"}) {
        if (const JsonValue* lines = arrayMember(product, name)) {
            for (const JsonValue& line : lines->elements()) {
                detail += line.text() + '\n';
            }
            detail += '\n';
        }
    }
    return detail;
}

PricingValues mapQuotationRecord(const JsonValue& record, const SaveImage& saveImage)
{
    record.expectObject("le dossier de chiffrage");
    PricingValues values;
    if (const JsonValue* location = record.member("location")) {
        values.repere = nullAsEmpty(location->jsonText());
    }
    if (const JsonValue* printImage = objectMember(record, "printImage")) {
        if (const JsonValue* picture = printImage->member("value")) {
            // A picture is megabytes of Base64: handed over without a copy.
            values.image = saveImage(picture->kind() == JsonValue::Kind::String ? picture->scalar() : picture->text());
        }
    }
    if (const JsonValue* product = objectMember(record, "product")) {
        values.libelle = textOf(*product, "name");
        values.quantite = textOf(*product, "quantity");
        values.detail = detailText(*product);
    }
    if (const JsonValue* pricing = objectMember(record, "pricing")) {
        values.prixPublic = textOf(*pricing, "totalPurchaseBasePrice");
        values.prixAchat = textOf(*pricing, "totalPurchasePrice");
        values.ecoTaxe = nullAsEmpty(textOf(*pricing, "ecoTax"));
        values.ecoPart = values.ecoTaxe;
        values.ecoPartRep = nullAsEmpty(textOf(*pricing, "ecoPartREP"));
        values.ecoPartDeee = nullAsEmpty(textOf(*pricing, "ecoPartDEEE"));
    }
    return values;
}

ResultDocument pricingDocument(const std::string& retrievalDocument, const PricingValues& values)
{
    ResultDocument document(retrievalDocument);
    appendPricingValues(document, values);
    return document;
}

void appendPricingValues(ResultDocument& document, const PricingValues& values)
{
    const pugi::xml_node root = document.root();
    const std::array<std::pair<const char*, const std::string*>, 11> elements{{{"Libelle", &values.libelle},
                                                                               {"Detail", &values.detail},
                                                                               {"Repere", &values.repere},
                                                                               {"EcoTaxe", &values.ecoTaxe},
                                                                               {"EcoPart", &values.ecoPart},
                                                                               {"EcoPartREP", &values.ecoPartRep},
                                                                               {"EcoPartDEEE", &values.ecoPartDeee},
                                                                               {"Quantite", &values.quantite},
                                                                               {"PrixPublic", &values.prixPublic},
                                                                               {"PrixAchat", &values.prixAchat},
                                                                               {"Image", &values.image}}};
    for (const auto& [name, text] : elements) {
        ResultDocument::appendText(root, name, *text);
    }
}

void retrieveQuote(HttpClient& retrievalClient, ConfiguratorApi& api, const std::string& retrievalUrl,
                   const std::filesystem::path& temporaryFilePath)
{
    if (retrievalUrl.empty()) { // the gateway login failed: there is nothing to retrieve from
        throw VarnoError("La connexion au configurateur n'a pas été établie : le devis ne peut pas être récupéré. "
                         "Fermez cette fenêtre et relancez le chiffrage depuis votre logiciel.");
    }
    const std::string retrievalDocument = bodyText(retrievalClient.send(webPageRequest(retrievalUrl)));
    // Judged as it arrives: one the host could not read stops the run before the record is asked for
    // and the picture written.
    ResultDocument document(retrievalDocument);
    const std::string projectId = readProjectId(retrievalDocument);
    PricingValues values;
    std::optional<PendingFile> picture; // put in place once the document naming it is written
    if (!projectId.empty()) {
        const JsonValue record = JsonValue::parse(api.getQuotationRecord(projectId));
        values = mapQuotationRecord(record, [&](const std::string& base64) {
            const std::filesystem::path path = productImagePath(temporaryFilePath, projectId);
            picture.reset();
            if (std::optional<PendingFile> written = saveProductImage(path, base64)) {
                picture.emplace(std::move(*written));
                return pathToUtf8(path);
            }
            return std::string();
        });
    }
    appendPricingValues(document, values);
    document.save(temporaryFilePath);
    if (picture) {
        commitProductImage(*picture);
    }
}

} // namespace varno
