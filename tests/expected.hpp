#pragma once

#include <string>

// What the dialogues write, byte for byte, stated once for every test.
namespace expected {

inline const std::string raisecalc_prompt = "Digite o ano atual: ";
// The result line up to its number; "á" is the ISO 8859-1 byte.
inline const std::string raisecalc_result = raisecalc_prompt + "Novo sal\xE1rio = ";

inline const char* const cardform_prompts[] = {
    "Digite o seu nome:\n",     "Digite a seu endereco:\n", "Digite sua cidade :\n",
    "Digite sueu telefone :\n", "Digite seu CEP :\n",
};

// What cardform has written once it has asked its first `n` questions.
inline std::string cardform_first(int n)
{
    std::string shown;
    for (int i = 0; i < n; ++i)
        shown += cardform_prompts[i];
    return shown;
}

inline const std::string cardform_all = cardform_first(5);

}  // namespace expected
