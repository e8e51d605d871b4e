INSERT INTO t_rpContractEntryRate(FContractID,FEntryID,FTaxPriceFor,FTaxPrice,FAmountIncludeTaxFor,FAmountIncludeTax,FTaxFor,FTax)
SELECT FContractID,FEntryID,FTaxPriceFor,FTaxPrice,FAmountIncludeTaxFor,FAmountIncludeTax,FTaxFor,FTax FROM t_rpContractEntry te WHERE te.FTaxRate=1+10.0 AND (te.FContractID= 701 AND te.FEntryID=2)
UPDATE te SET te.FTaxRate=10.0,te.FTaxPriceFor=ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal),
te.FAmountFor=ROUND(FQuantity*ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal)/(1+10.0/100)*(1-FBusinessDiscountRate/100),tc.FScale),
te.FAmount=ROUND(FQuantity*ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal)/(1+10.0/100)*(1-FBusinessDiscountRate/100)* t.FExchangeRate,tc.FScale),
te.FFactPriceFor=ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal),
te.FTaxFor =ROUND(te.FQuantity*ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal)*(1-te.FBusinessDiscountRate/100)/(1+10.0/100)*10.0/100,tc.FScale),
te.FTax =ROUND(te.FQuantity*ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal)*(1-te.FBusinessDiscountRate/100)/(1+10.0/100)*10.0/100 * t.FExchangeRate,tc.FScale),
te.FTaxPrice=ROUND(FPrice*(1+10.0/100),ti.FPriceDecimal),
te.FAmountIncludeTaxFor =ROUND(te.FQuantity*ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal),tc.FScale),
te.FAmountIncludeTax =ROUND(te.FQuantity*ROUND(FPriceFor*(1+10.0/100),ti.FPriceDecimal)* t.FExchangeRate,tc.FScale)
  FROM t_rpContractEntry te
INNER JOIN t_rpContract t ON te.FContractID = t.FContractID
INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID
INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID
Where te.FTaxRate=1+10.0 AND (te.FContractID= 701 AND te.FEntryID=2)