#include "sandbox/ConfiguratorPage.h"

#include <algorithm>

namespace varno::sandbox {
namespace {

std::string pageHead(const std::string& title, const std::string& brand)
{
    const BrandColours colours = brandColours(brand);
    return "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\"><title>" + escapeHtml(title) +
           "</title>\n<style>\n:root{--primary:" + colours.primary + ";--accent:" + colours.accent +
           "}\nbody{font-family:'DejaVu Sans',Arial,sans-serif;margin:0;background:#f5f6f8;color:#222}\n"
           "header{background:var(--primary);color:#fff;padding:14px 28px}header h1{margin:0;font-size:1.5em}\n"
           "header p{margin:4px 0 0;opacity:.85}main{max-width:720px;margin:24px auto;background:#fff;padding:24px "
           "28px;"
           "border-radius:8px;box-shadow:0 1px 4px #0002}\nlabel{display:block;margin:12px 0}"
           "input[type=number],input[type=text],select{display:block;margin-top:4px;padding:6px;width:100%;"
           "box-sizing:border-box}\nfieldset{border:1px solid #ddd;border-radius:6px}fieldset label{margin:6px 0}\n"
           ".prix{font-size:1.3em;margin:20px 0;color:var(--primary)}.erreur{color:#b00020;font-weight:bold}\n"
           "button{background:var(--accent);border:0;color:#111;padding:12px 22px;font-size:1.05em;border-radius:6px;"
           "cursor:pointer}\n</style></head>\n";
}

std::string euros(long long cents)
{
    std::string text = decimal(cents);
    std::replace(text.begin(), text.end(), '.', ',');
    return text + " €";
}

} // namespace

std::string escapeHtml(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string configuratorPage(const Session& session, const Choice& choice, const std::string& error)
{
    const std::vector<Product>& products = catalogue(session.brand);
    const std::string& chosen = choice.product.empty() && !products.empty() ? products.front().code : choice.product;
    std::string html = pageHead("Configurateur " + session.brand, session.brand);
    html += "<body><header><h1>" + escapeHtml(session.brand) +
            " — Configurateur</h1><p>Connecté : " + escapeHtml(session.email) +
            (session.recordId ? " · devis n° " + std::to_string(*session.recordId) : "") + "</p></header>\n<main>\n";
    if (!error.empty()) {
        html += "<p class=\"erreur\">" + escapeHtml(error) + "</p>\n";
    }
    html += R"(<form method="post" action="/configurateur/)" + session.token + "/valider\" id=\"devis\">\n";
    html += "<label>Produit<select name=\"product\" id=\"product\">\n";
    for (const Product& product : products) {
        html += "<option value=\"" + product.code + "\" data-m2=\"" + std::to_string(product.pricePerSquareMeterCents) +
                "\" data-min=\"" + std::to_string(product.minimumPriceCents) + "\"" +
                (product.code == chosen ? " selected" : "") + ">" + escapeHtml(product.name) + "</option>\n";
    }
    html += "</select></label>\n";
    html += R"(<label>Largeur (mm)<input type="number" name="width" id="width" min="300" max="6000" required value=")" +
            std::to_string(choice.widthMm > 0 ? choice.widthMm : 1200) + "\"></label>\n";
    html +=
        R"(<label>Hauteur (mm)<input type="number" name="height" id="height" min="300" max="3500" required value=")" +
        std::to_string(choice.heightMm > 0 ? choice.heightMm : 1350) + "\"></label>\n";
    html += "<fieldset id=\"options\"><legend>Options</legend>\n";
    for (const Product& product : products) {
        for (const Option& option : product.options) {
            const bool checked = product.code == chosen && std::find(choice.options.begin(), choice.options.end(),
                                                                     option.code) != choice.options.end();
            html += "<label data-product=\"" + product.code + R"("><input type="checkbox" name="option" value=")" +
                    option.code + "\" data-price=\"" + std::to_string(option.priceCents) + "\"" +
                    (checked ? " checked" : "") + "> " + escapeHtml(option.name) + " (+" + euros(option.priceCents) +
                    ")</label>\n";
        }
    }
    html += "</fieldset>\n";
    html += "<label>Quantité<input type=\"number\" name=\"quantity\" id=\"quantity\" min=\"1\" max=\"99\" required "
            "value=\"" +
            std::to_string(choice.quantity > 0 ? choice.quantity : 1) + "\"></label>\n";
    html += "<label>Repère (pièce)<input type=\"text\" name=\"location\" id=\"location\" maxlength=\"40\" "
            "placeholder=\"Salon, Chambre 1…\" value=\"" +
            escapeHtml(choice.location) + "\"></label>\n";
    html += "<p class=\"prix\">Prix public : <output id=\"prix\">—</output></p>\n";
    html += "<button type=\"submit\" id=\"valider\">Valider le chiffrage</button>\n</form>\n</main>\n";
    // The same formula as the server's, which recomputes the price on validation.
    html += R"(<script>
const form = document.getElementById('devis');
function euros(cents) { return (cents / 100).toFixed(2).replace('.', ',') + ' €'; }
function update() {
  const product = form.product.selectedOptions[0];
  for (const label of document.querySelectorAll('#options label')) {
    const mine = label.dataset.product === product.value;
    label.hidden = !mine;
    label.querySelector('input').disabled = !mine;
  }
  const area = Math.floor(form.width.value / 10) * Math.floor(form.height.value / 10);
  let unit = Math.max(+product.dataset.min, Math.floor(+product.dataset.m2 * area / 10000));
  for (const box of document.querySelectorAll('#options input:checked:enabled')) unit += +box.dataset.price;
  document.getElementById('prix').textContent = euros(unit * Math.max(1, +form.quantity.value));
}
form.addEventListener('input', update);
update();
</script>
</body></html>
)";
    return html;
}

std::string confirmationPage(const Session& session, long long recordId, const std::string& productName)
{
    return pageHead("Chiffrage enregistré", session.brand) + "<body><header><h1>" + escapeHtml(session.brand) +
           " — Configurateur</h1></header>\n<main><h2 id=\"confirmation\">Chiffrage enregistré</h2>\n<p>" +
           escapeHtml(productName) + ", devis n° <strong id=\"devis\">" + std::to_string(recordId) +
           "</strong>.</p>\n<p>Retournez dans votre logiciel et cliquez sur « Récupérer le devis ».</p>\n"
           "<p><a href=\"/configurateur/" +
           session.token + "\">Modifier le chiffrage</a></p></main></body></html>\n";
}

std::string messagePage(const std::string& title, const std::string& text)
{
    return pageHead(title, "") + "<body><header><h1>" + escapeHtml(title) + "</h1></header><main><p>" +
           escapeHtml(text) + "</p></main></body></html>\n";
}

} // namespace varno::sandbox
