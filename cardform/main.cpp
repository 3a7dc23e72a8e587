// Contact-data form: asks for a person's name, address, city, telephone and
// postal code, reads each answer into the contact record, and shows nothing
// back.
#include <cstdint>
#include <string>

#include "console.hpp"

namespace {

struct contact {
    std::string name;
    std::string address;
    std::string city;
    std::int32_t telephone = 0;
    float postal_code = 0.0f;
};

}  // namespace

int main()
{
    console::reader& in = console::start("cardform");
    contact card;
    int answered = 0;

    console::write("Digite o seu nome:\n");
    answered += in.read_word(card.name) == 1;
    console::write("Digite a seu endereco:\n");
    answered += in.read_word(card.address) == 1;
    console::write("Digite sua cidade :\n");
    answered += in.read_word(card.city) == 1;
    console::write("Digite sueu telefone :\n");
    answered += in.read_int(card.telephone) == 1;
    console::write("Digite seu CEP :\n");
    answered += in.read_float(card.postal_code) == 1;

    return console::finish(answered == 5 ? 0 : 1);
}
