/* The memory reference: the salary dialogue as a plain C program on stdio,
   linked dynamically, as a C program of the same dialogue would be. */
#include <float.h>
#include <stdio.h>

int main(void)
{
    int year = 0;
    float salary = 1000.0f, rate = 0.015f, result;
    printf("Digite o ano atual: ");
    fflush(stdout);
    if (scanf("%d%*c", &year) != 1)
        return 1;
    result = (float)((double)salary * rate + salary);
    for (int y = 2007; y <= year && result <= FLT_MAX; ++y) {
        rate += rate;
        result = (float)((double)rate * result + result);
    }
    printf("Novo sal\xE1rio = %5.2f", result);
    fflush(stdout);
    getchar();
    return 0;
}
