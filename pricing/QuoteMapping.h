#pragma once

#include "foundation/Json.h"
#include "foundation/ResultDocument.h"
#include "net/ConfiguratorApi.h"
#include "net/HttpClient.h"

#include <filesystem>
#include <functional>
#include <string>

namespace varno {

// The identifier of the quotation record the configurator has just produced: the text of "Project"
// in the retrieval document's "Configurateur" (empty when absent). Throws VarnoError when the
// document is not XML.
std::string readProjectId(const std::string& retrievalDocument);

// The eleven values the pricing result document receives, in their order there.
struct PricingValues {
    std::string libelle;
    std::string detail;
    std::string repere;
    std::string ecoTaxe;
    std::string ecoPart;
    std::string ecoPartRep;
    std::string ecoPartDeee;
    std::string quantite;
    std::string prixPublic;
    std::string prixAchat;
    std::string image;
};

// Saves the product's picture (Base64 text) and returns the file's path.
using SaveImage = std::function<std::string(const std::string& base64)>;

// Maps a quotation record into the values. The picture is saved (through saveImage) before the
// product's members are read, and only when "printImage" has a "value". A member of another type than
// the record's form throws VarnoError.
PricingValues mapQuotationRecord(const JsonValue& record, const SaveImage& saveImage);

// The product's multi-line description: descriptions, dimensions, options, option descriptions and
// informations, each section present only when its member is.
std::string detailText(const JsonValue& product);

// The pricing result document: the retrieval document, declared "ISO-8859-1", with the eleven
// elements appended to its "Configurateur".
ResultDocument pricingDocument(const std::string& retrievalDocument, const PricingValues& values);
// The same, on a result document already made of the retrieval document.
void appendPricingValues(ResultDocument& document, const PricingValues& values);

// The run behind "Récupérer le devis": fetches the retrieval document, then (when it names a project)
// the quotation record, saves the product's picture beside the temporary file, and writes the
// pricing result document to it. Nothing is kept between two runs.
void retrieveQuote(HttpClient& retrievalClient, ConfiguratorApi& api, const std::string& retrievalUrl,
                   const std::filesystem::path& temporaryFilePath);

} // namespace varno
