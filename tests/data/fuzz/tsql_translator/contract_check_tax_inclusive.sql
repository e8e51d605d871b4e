SELECT 1 FROM t_rpContractEntry te
INNER JOIN t_rpContract t ON te.FContractID = t.FContractID
INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID
Where te.FTaxRate=1+16.0 AND (te.FContractID= 701 AND te.FEntryID=1)AND te.FReceiveAmountFor>ROUND(FQuantity*FTaxPriceFor/(1+16.0/100)*(1-FBusinessDiscountRate/100),tc.FScale) 
