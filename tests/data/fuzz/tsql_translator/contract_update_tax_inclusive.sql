INSERT INTO t_rpContractEntryRate(FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,FTaxFor,FTax,FPriceFor,FPrice)
SELECT FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,FTaxFor,FTax,FPriceFor,FPrice FROM t_rpContractEntry te WHERE te.FTaxRate=1+16.0 AND (te.FContractID= 701 AND te.FEntryID=1)
UPDATE te SET te.FTaxRate=16.0,te.FAmount=ROUND(FQuantity*FTaxPriceFor/(1+16.0/100)*(1-FBusinessDiscountRate/100) * t.FExchangeRate, tc.FScale),
te.FAmountFor=ROUND(FQuantity*FTaxPriceFor/(1+16.0/100)*(1-FBusinessDiscountRate/100),tc.FScale),
te.FTaxFor =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/(1+16.0/100)*16.0/100,tc.FScale),
te.FTax =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/(1+16.0/100)*16.0/100* t.FExchangeRate,tc.FScale),
FPriceFor =ROUND(FTaxPriceFor/(1+16.0/100),ti.FPriceDecimal),
FPrice = Round(FTaxPriceFor / (1 + 16.0 / 100) * t.FExchangeRate, ti.FPriceDecimal)
  FROM t_rpContractEntry te
INNER JOIN t_rpContract t ON te.FContractID = t.FContractID
INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID
INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID
Where te.FTaxRate=1+16.0 AND (te.FContractID= 701 AND te.FEntryID=1)